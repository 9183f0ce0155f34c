# Set-up and everyday commands; CMake does the building.
BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-test
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)

FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = fen move_text input_line book

.PHONY: all play test perft bench install fuzz lint clean deps
.DEFAULT_GOAL := all

# What the build needs, and for "make test" what the tests need too, installed with apt-get
# where missing (a quick look and nothing more when all is there). Runs once per make.
DEPS_FOR = $(if $(filter test,$(MAKECMDGOALS)),test,build)

deps:
	@bash tools/ensure_deps.sh $(DEPS_FOR)

all: deps $(BUILD_DIR)/Makefile
	cmake --build $(BUILD_DIR) -j $(JOBS)

$(BUILD_DIR)/Makefile: | deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DQORAT_BENCHMARKS=ON

$(TEST_BUILD_DIR)/Makefile: | deps
	cmake -S . -B $(TEST_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQORAT_SANITIZE=ON -DQORAT_TESTS=ON

play: all
	./$(BUILD_DIR)/qorat

perft: all

bench: all

test: deps all $(TEST_BUILD_DIR)/Makefile
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	cd $(TEST_BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The program is configured for the prefix it is installed under, so that it finds its book there,
# and its net, which ships once a trained one lies at the repository root.
install:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DQORAT_BENCHMARKS=ON -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(BUILD_DIR) -j $(JOBS)
	install -D -m 755 $(BUILD_DIR)/qorat $(DESTDIR)$(PREFIX)/bin/qorat
	install -D -m 644 book.dat $(DESTDIR)$(PREFIX)/share/qorat/book.dat
	if [ -f qorat.nnue ]; then install -D -m 644 qorat.nnue $(DESTDIR)$(PREFIX)/share/qorat/qorat.nnue; fi
	install -D -m 644 share/qorat.eng $(DESTDIR)$(PREFIX)/share/games/plugins/xboard/qorat.eng
	install -D -m 644 share/qorat.png $(DESTDIR)$(PREFIX)/share/games/plugins/logos/qorat.png
	install -D -m 644 share/qorat.6 $(DESTDIR)$(PREFIX)/share/man/man6/qorat.6

# Each fuzz target runs for FUZZ_SECONDS; findings are left in $(FUZZ_BUILD_DIR).
fuzz:
	command -v clang++ >/dev/null || (apt-get update && apt-get install -y clang libclang-rt-dev)
	cmake -S . -B $(FUZZ_BUILD_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQORAT_FUZZ=ON
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS) --target $(addsuffix _fuzz,$(FUZZ_TARGETS))
	for target in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD_DIR)/corpus/$$target $(FUZZ_BUILD_DIR)/findings; \
	  ./$(FUZZ_BUILD_DIR)/tests/fuzz/$${target}_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -artifact_prefix=$(FUZZ_BUILD_DIR)/findings/$$target- \
	    $(FUZZ_BUILD_DIR)/corpus/$$target tests/fuzz/seeds/$$target || exit 1; \
	done

LINT_BUILD_DIR ?= build-lint
LINT_SOURCES = $(shell find src tools -name '*.cpp')

# Static analysis of our own code; suppressions carry their reason where they stand.
lint:
	cmake -S . -B $(LINT_BUILD_DIR) -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
	clang-tidy -p $(LINT_BUILD_DIR) --quiet --warnings-as-errors='*' $(LINT_SOURCES)
	cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ --enable=warning,performance,portability \
	  --inline-suppr -I src $(LINT_SOURCES)

clean:
	rm -rf $(LINT_BUILD_DIR)  $(BUILD_DIR) $(TEST_BUILD_DIR) $(FUZZ_BUILD_DIR)
