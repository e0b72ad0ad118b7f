// The failures of the run that are not engine errors.
//
// Engine errors (database/engine/engine_error.h) are one kind; every other failure derives
// from Failure. A failure's message is display text in UTF-8, in the users' language,
// and names where it happened: the file, the list, the table, the row, the account.
// Data texts inside the library stay GBK; GbkToUtf8() (text/gbk_codec.h) turns one
// into UTF-8 for a message, and a path goes through PathText() (files/path_text.h).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qoru {

class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

// A read or write of a file that did not succeed.
class FileError : public Failure {
 public:
  FileError(const std::string& message, std::string path)
      : Failure(message), path_(std::move(path)) {}
  const std::string& path() const { return path_; }  // GBK path of the file

 private:
  std::string path_;
};

// An index beyond the end of a string list.
class ListIndexError : public Failure {
 public:
  ListIndexError(std::size_t index, std::size_t count, const std::string& label);
};

// The book set cannot be taken as it stands: a name in GSSM.txt that cannot name a
// table or would reach outside the work area, a NUL byte inside a text that the run
// reads, a source folder inside the work area that staging would overwrite. The run refuses the
// book set before it writes anything to the database; the message names the file, the
// line and the place. The command line exits 2 for it.
class BookSetRefusal : public Failure {
 public:
  using Failure::Failure;
};

// A file name taken from a data set that would reach outside the work area.
class UnsafeNameError : public BookSetRefusal {
 public:
  using BookSetRefusal::BookSetRefusal;
};

// Text of the operating system's error number, for messages.
std::string SystemErrorText(int err);

// The error number that the Windows file layer gives for a file that another program
// holds open without sharing it (a table open in Excel): its text says to close it
// there. It never arises on Linux, which has no mandatory share modes.
inline constexpr int kSharingViolation = 0x5356;

// The error number of the file layer for a file that is opened for reading but is no
// regular file (nor a directory): a named pipe, a device or a socket, which a reader
// would wait on for ever or never finish.
inline constexpr int kNotRegularFile = 0x5357;

// The system's own text of an error number (system_message_posix.cpp,
// system_message_win.cpp).
std::string SystemMessage(int err);

}  // namespace qoru
