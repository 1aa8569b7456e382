// Test helper: expects a call to throw a given exception type with an exact what() text.
#pragma once

#include <gtest/gtest.h>

#include <string>

template <class Exception, class Call>
void expectThrowMessage(Call call, const std::string& expected) {
    try {
        call();
        ADD_FAILURE() << "nothing thrown, expected: " << expected;
    } catch (const Exception& error) {
        EXPECT_EQ(error.what(), expected);
    }
}
