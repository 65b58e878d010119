# Set-up commands. Each build lives in its own folder so that the kinds never mix.
CMAKE_FLAGS := -G Ninja -DCMAKE_CXX_FLAGS_RELEASE=-O2 -DCMAKE_C_FLAGS_RELEASE=-O2 -DCI_ID_WERROR=ON
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: demo test python test-sanitize bench fuzz format clean mutants

# The reader tool on the sample images, every kind of symbol (mild perspective, so Data Matrix far
# sides are fitted), compared with their truth; annotated copies of the images go to build/demo.
demo:
	cmake -S . -B build $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DCI_ID_BUILD_TOOLS=ON
	cmake --build build --target ci_id-find
	mkdir -p build/demo
	build/tools/ci_id-find/ci_id-find --skew --truth tests/data/samples/truth.json \
	    --out build/demo tests/data/samples/*.png

# The Python module's packages (pybind11, headers, NumPy) are installed by scripts/install_deps.sh
# when missing; it names the interpreter the module is built for.
PYTHON_SETUP = py=$$(scripts/install_deps.sh --print-python) && \
	cmake -S . -B build $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DCI_ID_BUILD_PYTHON=ON \
	      -DPython3_EXECUTABLE="$$py"

# Release build with assertions kept (no NDEBUG), library, tool, Python module, tests and
# benchmarks (built, so that they keep compiling, not run), then every test (the Python ones too).
test:
	$(PYTHON_SETUP) -DCI_ID_BUILD_TESTS=ON -DCI_ID_BUILD_BENCH=ON -DCI_ID_BUILD_TOOLS=ON
	cmake --build build
	ctest --test-dir build --output-on-failure -j $(JOBS)

# The Python module alone, in build/python (PYTHONPATH=build/python, or cmake --install).
python:
	$(PYTHON_SETUP)
	cmake --build build --target ci_id_python

# The same under AddressSanitizer and UndefinedBehaviorSanitizer; any report fails the run.
test-sanitize:
	cmake -S . -B build-sanitize $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DCI_ID_BUILD_TESTS=ON \
	      -DCI_ID_BUILD_TOOLS=ON -DCI_ID_SANITIZE=ON
	cmake --build build-sanitize
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)

bench:
	cmake -S . -B build-bench $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DCI_ID_BUILD_BENCH=ON \
	      -DCI_ID_BUILD_TOOLS=ON
	cmake --build build-bench
	for b in build-bench/bench/bench_*; do "$$b" || exit 1; done

# A libFuzzer build of one target: make fuzz TARGET=geometry_fuzz
fuzz:
	mkdir -p build-fuzz
	clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -Idefs -Iplatform -Itests/support \
	    -Itools fuzz/$(TARGET).cpp src/id/idut/*/*.cpp platform/*/*.cpp \
	    $(if $(filter reedsolomon_fuzz,$(TARGET)),tests/support/rs_reference.cpp) \
	    $(if $(filter image_read_fuzz,$(TARGET)),tools/common/image_io*.cpp -lpng -ljpeg) \
	    -o build-fuzz/$(TARGET)

format:
	find defs src platform tests bench tools fuzz -name '*.h' -o -name '*.cpp' -o -name '*.c' \
	    | xargs clang-format -i

clean:
	rm -rf build build-sanitize build-bench build-fuzz build-mutants

# Seeded faults (scripts/mutants.txt) against the suite, in a copy of the tree under
# build-mutants/; prints how many the suite catches. Not part of CI: it rebuilds once per fault.
mutants:
	python3 scripts/mutants.py
