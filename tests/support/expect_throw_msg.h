#pragma once
// EXPECT_THROW_MSG(statement, text): the statement throws a table error whose text is exactly
// `text` (another exception type fails the test as an unexpected exception).
#include <gtest/gtest.h>

#include <string>

#include "tables/table_error.h"

#define EXPECT_THROW_MSG(statement, text)                    \
  do {                                                       \
    try {                                                    \
      statement;                                             \
      ADD_FAILURE() << "no exception, expected: " << (text); \
    } catch (const ::tables::TableError& e) {                \
      EXPECT_EQ(std::string(e.what()), std::string(text));   \
    }                                                        \
  } while (false)
