// The seed of a test that draws random cases. Every test has its own fixed seed, so each run
// draws the same cases; XKORVO_TEST_SEED=N draws others. While the object lives, every failure
// names the seed, so that a failing draw can be repeated.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

class TestSeed {
public:
    explicit TestSeed(unsigned fixed)
        : m_value(Choose(fixed)),
          m_trace(__FILE__, __LINE__,
                  "drawn with seed " + std::to_string(m_value) +
                      " (XKORVO_TEST_SEED=" + std::to_string(m_value) + " repeats it)") {}

    unsigned value() const { return m_value; }

private:
    static unsigned Choose(unsigned fixed) {
        const char* text = std::getenv("XKORVO_TEST_SEED");
        if (!text || !*text)
            return fixed;
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(text, &end, 10);
        if (*end != '\0' || errno != 0 || value > 0xFFFFFFFFu || text[0] == '-') {
            ADD_FAILURE() << "XKORVO_TEST_SEED must be a number from 0 to 4294967295, not \""
                          << text << "\"";
            return fixed;
        }
        return static_cast<unsigned>(value);
    }

    unsigned m_value;
    ::testing::ScopedTrace m_trace;
};
