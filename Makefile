# The two commands a newcomer needs, and the packages for host vendors. Each installs what it
# needs first.
.PHONY: test demo dist clean

test:
	bash scripts/test.sh

demo:
	bash scripts/demo.sh

dist:
	bash scripts/dist.sh

clean:
	rm -rf build dist
