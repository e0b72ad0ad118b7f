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

// An engine error that says nothing about the statement: the engine could not read or
// write its database files (disk full, file size limit, I/O error, read-only or
// damaged file, no memory). Whatever the run did next would rest on writes that did not
// happen, so the statement runner passes it on instead of skipping the statement, and
// the run ends through its handler. The message carries the system's cause.
class EngineIoError : public EngineError {
 public:
  using EngineError::EngineError;
};

// The engine could not take or use the lock on its database: another program holds
// the file (SQLITE_BUSY, after the wait a connection allows), or a statement of the
// run still reads a table that another would change (SQLITE_LOCKED). Like any failure
// of the files it ends the run, never skipped as a rejected statement; the message
// names the database file and says who holds it.
class EngineBusyError : public EngineIoError {
 public:
  using EngineIoError::EngineIoError;
};

}  // namespace qoru::db
