# Set-up and everyday commands; CMake does the building.
BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-test
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)

.PHONY: all play test perft bench install clean

all: $(BUILD_DIR)/Makefile
	cmake --build $(BUILD_DIR) -j $(JOBS)

$(BUILD_DIR)/Makefile:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DQORAT_BENCHMARKS=ON

$(TEST_BUILD_DIR)/Makefile:
	cmake -S . -B $(TEST_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQORAT_SANITIZE=ON -DQORAT_TESTS=ON

play: all
	./$(BUILD_DIR)/qorat

perft: all

bench: all

test: all $(TEST_BUILD_DIR)/Makefile
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	cd $(TEST_BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

install: all
	install -D -m 755 $(BUILD_DIR)/qorat $(DESTDIR)$(PREFIX)/bin/qorat
	install -D -m 644 book.dat $(DESTDIR)$(PREFIX)/share/qorat/book.dat

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR)
