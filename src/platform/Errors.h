// The program's error objects: an error kind's name and a message text,
// optionally wrapping another error. Raised by the operations, shown by the
// one error report of the GUI.
#pragma once

#include <exception>
#include <memory>
#include <string>

namespace dw {

class Error : public std::exception {
 public:
  Error(std::u16string kind, std::u16string message, std::shared_ptr<const Error> inner = nullptr);

  const std::u16string& Kind() const { return kind_; }
  const std::u16string& Message() const { return message_; }
  const std::shared_ptr<const Error>& Inner() const { return inner_; }
  // The code address at which the error object was raised.
  const void* Address() const { return address_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::u16string kind_;
  std::u16string message_;
  std::shared_ptr<const Error> inner_;
  const void* address_;
  std::string utf8_;
};

// File could not be opened for reading: path and the system's text.
class EFOpenError : public Error {
 public:
  EFOpenError(const std::u16string& path, const std::u16string& systemText);
};

// Bytes that do not decode in the encoding their mark announces.
class EEncodingError : public Error {
 public:
  EEncodingError();
};

// File could not be created: path and the system's text.
class EFCreateError : public Error {
 public:
  EFCreateError(const std::u16string& path, const std::u16string& systemText);
};

// Writing failed after the file was created.
class EWriteError : public Error {
 public:
  EWriteError();
};

// The profile store refused a write to the settings file.
class EIniFileException : public Error {
 public:
  explicit EIniFileException(const std::u16string& path);
};

// A list read at a position it does not have.
class EListError : public Error {
 public:
  explicit EListError(long long index);
};

// The message of the innermost wrapped error whose message is not empty, or
// the error's own when none is.
std::u16string InnermostMessage(const Error& error);

// The error report's text: the message with "." appended when it is not
// empty and its last character's code is above that of ".".
std::u16string AppendPeriodRule(const std::u16string& message);

// The fatal start-up report's text for an error, the program file's name
// (without its folder) and the raising code address.
std::u16string FatalReportText(const Error& error, const std::u16string& moduleName);

}  // namespace dw
