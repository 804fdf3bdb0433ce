# The two commands a newcomer needs. Both install what they need first.
.PHONY: test demo clean

test:
	bash scripts/test.sh

demo:
	bash scripts/demo.sh

clean:
	rm -rf build
