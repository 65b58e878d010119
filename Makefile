# Set-up commands. Each build lives in its own folder so that the kinds never mix.
CMAKE_FLAGS := -G Ninja -DCMAKE_CXX_FLAGS_RELEASE=-O2 -DCMAKE_C_FLAGS_RELEASE=-O2 -DCI_ID_WERROR=ON
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: demo test python test-sanitize test-thread bench profile fuzz fuzz-all fuzz-deps format clean \
        mutants

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

# The concurrency suite under ThreadSanitizer: eight threads repeat the single-threaded results.
test-thread:
	cmake -S . -B build-thread $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DCI_ID_BUILD_TESTS=ON \
	      -DCI_ID_SANITIZE_THREAD=ON
	cmake --build build-thread --target test_thread
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	ctest --test-dir build-thread --output-on-failure -R '^test_thread$$'

bench:
	cmake -S . -B build-bench $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DCI_ID_BUILD_BENCH=ON \
	      -DCI_ID_BUILD_TOOLS=ON
	cmake --build build-bench
	for b in build-bench/bench/bench_*; do "$$b" || exit 1; done

# Instruction counts of one benchmark under callgrind (installed by scripts/install_profile_deps.sh
# when missing), counted inside the entry point COLLECT only (not the scene set-up), functions by
# inclusive cost; the raw profile stays in build-bench/callgrind.out.
#   make profile BENCH=bench_dmlocate FILTER='ciId/width:1280/height:1024/symbol:0/noise:12'
BENCH ?= bench_dmlocate
FILTER ?= ciId/width:1280/height:1024/symbol:0/noise:12
COLLECT ?= cid_findDataMatrix
profile:
	scripts/install_profile_deps.sh
	cmake -S . -B build-bench $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DCI_ID_BUILD_BENCH=ON \
	      -DCI_ID_BUILD_TOOLS=ON -DCMAKE_CXX_FLAGS=-g
	cmake --build build-bench --target $(BENCH)
	valgrind --tool=callgrind --callgrind-out-file=build-bench/callgrind.out \
	    --toggle-collect='$(COLLECT)' \
	    build-bench/bench/$(BENCH) --benchmark_filter='$(FILTER)' --benchmark_min_time=0.01 \
	    >/dev/null 2>build-bench/callgrind.log
	callgrind_annotate --inclusive=yes build-bench/callgrind.out | sed -n '/PROGRAM TOTALS/,$$p' | head -n 40

# libFuzzer builds under AddressSanitizer and UndefinedBehaviorSanitizer (any report aborts, so it
# is a finding). The library's objects are compiled once into build-fuzz/obj and shared by every
# target; clang comes from scripts/install_fuzz_deps.sh when it is missing.
#   make fuzz TARGET=geometry_fuzz      builds build-fuzz/geometry_fuzz
#   make fuzz-all SECONDS=60            builds and runs every target for SECONDS each
FUZZ_CXX := clang++
FUZZ_FLAGS := -std=c++17 -g -O1 -fsanitize=address,undefined -fno-sanitize-recover=all \
              -Idefs -Iplatform -Itests/support -Itools
FUZZ_TARGETS := $(basename $(notdir $(wildcard fuzz/*.cpp)))
FUZZ_OBJECTS := $(patsubst %.cpp,build-fuzz/obj/%.o,$(wildcard src/id/idut/*/*.cpp platform/*/*.cpp))
SECONDS ?= 60
# The platform layer stands in for outside libraries: its pixel tests give the fuzzer no useful
# comparisons to aim at, and tracing them slows the searches by a third.
FUZZ_PLATFORM := -fno-sanitize-coverage=trace-cmp

fuzz-deps:
	@command -v $(FUZZ_CXX) >/dev/null || scripts/install_fuzz_deps.sh

build-fuzz/obj/%.o: %.cpp | fuzz-deps
	@mkdir -p $(dir $@)
	$(FUZZ_CXX) $(FUZZ_FLAGS) -fsanitize=fuzzer-no-link $(if $(filter platform/%,$<),$(FUZZ_PLATFORM)) \
	    -MMD -MP -c $< -o $@

build-fuzz/libci_id_fuzz.a: $(FUZZ_OBJECTS)
	@rm -f $@ && ar rcs $@ $^ && echo "archived $@"

# search_fuzz runs whole searches, whose comparisons are against pixel levels and counts: it links
# a copy of the library built without comparison tracing (edge coverage and the sanitizers stay),
# which makes it more than twice as fast. Its own decoding of the options is still traced.
FUZZ_UNTRACED := search_fuzz
FUZZ_UNTRACED_OBJECTS := $(patsubst build-fuzz/obj/%,build-fuzz/obj-untraced/%,$(FUZZ_OBJECTS))

build-fuzz/obj-untraced/%.o: %.cpp | fuzz-deps
	@mkdir -p $(dir $@)
	$(FUZZ_CXX) $(FUZZ_FLAGS) -fsanitize=fuzzer-no-link -fno-sanitize-coverage=trace-cmp \
	    -MMD -MP -c $< -o $@

build-fuzz/libci_id_fuzz_untraced.a: $(FUZZ_UNTRACED_OBJECTS)
	@rm -f $@ && ar rcs $@ $^ && echo "archived $@"

fuzzLibraryOf = build-fuzz/libci_id_fuzz$(if $(filter $(FUZZ_UNTRACED),$(1)),_untraced).a

.SECONDEXPANSION:
build-fuzz/%: fuzz/%.cpp $$(call fuzzLibraryOf,$$*) | fuzz-deps
	$(FUZZ_CXX) $(FUZZ_FLAGS) -fsanitize=fuzzer $< \
	    $(if $(filter reedsolomon_fuzz,$*),tests/support/rs_reference.cpp) \
	    $(if $(filter image_read_fuzz,$*),tools/common/image_io*.cpp) \
	    $(call fuzzLibraryOf,$*) $(if $(filter image_read_fuzz,$*),-lpng -ljpeg) -o $@

fuzz: build-fuzz/$(TARGET)

# Each target starts from its regression inputs and keeps what it finds in build-fuzz/corpus.
fuzz-all: $(addprefix build-fuzz/,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
	    mkdir -p build-fuzz/corpus/$$t fuzz/regressions/$$t; \
	    build-fuzz/$$t -max_total_time=$(SECONDS) -print_final_stats=1 \
	        -artifact_prefix=build-fuzz/$$t- build-fuzz/corpus/$$t fuzz/regressions/$$t \
	        >build-fuzz/$$t.log 2>&1; status=$$?; \
	    echo "$$t: $$(grep -h 'stat::number_of_executed_units' build-fuzz/$$t.log)"; \
	    [ $$status -eq 0 ] || { tail -n 40 build-fuzz/$$t.log; exit 1; }; \
	done

-include $(FUZZ_OBJECTS:.o=.d) $(FUZZ_UNTRACED_OBJECTS:.o=.d)

format:
	find defs src platform tests bench tools fuzz -name '*.h' -o -name '*.cpp' -o -name '*.c' \
	    | xargs clang-format -i

clean:
	rm -rf build build-sanitize build-thread build-bench build-fuzz build-mutants

# Seeded faults (scripts/mutants.txt) against the suite, in a copy of the tree under
# build-mutants/; prints how many the suite catches. Not part of CI: it rebuilds once per fault.
mutants:
	python3 scripts/mutants.py
