# The two commands a newcomer needs. Both install what they need first.
.PHONY: test demo mutants clean

test:
	bash scripts/test.sh

demo:
	bash scripts/demo.sh

# Plants each fault of tests/mutants.txt in a scratch copy and runs the native suite (not part of
# `make test`; see the README).
mutants:
	bash scripts/setup.sh
	python3 tools/mutants.py

clean:
	rm -rf build
