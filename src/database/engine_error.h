// An error that the database engine reports. It carries the engine's own message
// (UTF-8), which names what failed ("no such table: KJKM"). The run's handler and the
// statement runner catch this kind only; every other failure is a Failure.
#pragma once

#include <stdexcept>
#include <string>

namespace qoru::db {

class EngineError : public std::runtime_error {
 public:
  explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace qoru::db
