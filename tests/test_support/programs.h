// What the tests of the command-line tools run and read as a user would: the built
// programs, the bundled sample book set, a conversion, and a JSON report parsed with a
// test failure (showing the text) when it is not JSON.
#pragma once

#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "test_support/command.h"

namespace qoru::test {

inline const std::string kHost = std::string(QORU_BINARY_DIR) + "/qoru-gbtxt";
inline const std::string kGendata = std::string(QORU_BINARY_DIR) + "/qoru-gendata";
inline const std::string kSample = std::string(QORU_SOURCE_DIR) + "/examples/sample";

// `qoru-gbtxt convert --face headless` of the book set `source` into the work area
// `work` (both quoted for the shell), `extra` added to the command line as it is;
// stderr joins stdout.
Ran RunConvert(const std::string& source, const std::string& work, const std::string& extra = "");

// `text` parsed; a discarded value (and a failed expectation) when it is not JSON.
nlohmann::json ParseJson(const std::string& text);

// The tests of a screening report ({"tests": [{"id", ...}]}) by their ids.
std::map<std::string, nlohmann::json> TestsById(const nlohmann::json& report);

}  // namespace qoru::test
