# The two commands a newcomer needs, and the packages for host vendors. Each installs what it
# needs first.
.PHONY: test demo dist mutants clean

test:
	bash scripts/test.sh

demo:
	bash scripts/demo.sh

dist:
	bash scripts/dist.sh

# Plants each fault of tests/mutants.txt in a scratch copy and runs the native suite (not part of
# `make test`; see the README).
mutants:
	bash scripts/setup.sh
	python3 tools/mutants.py

clean:
	rm -rf build dist
