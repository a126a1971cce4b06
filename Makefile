# The same commands for those who type make: see build.sh.
.PHONY: run test bench clean
run:
	./build.sh run
test:
	./build.sh test
bench:
	./build.sh bench
clean:
	rm -rf build build-asan build-release build-tsan build-package
