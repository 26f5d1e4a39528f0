// Raised errors of the runtime. Every failure a user can meet carries a
// message that says what failed and, where a file is involved, which file.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A call that is not allowed in the object's present state.
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

// zlib reported a failure (its message is always "Error").
class EZlibError : public Exception {
 public:
  using Exception::Exception;
};

// An I/O failure outside the stream classes, such as a directory that cannot
// be created. Carries the system error code where there is one (0 otherwise).
class EInOutError : public Exception {
 public:
  explicit EInOutError(std::string message, int errorCode = 0)
      : Exception(std::move(message)), errorCode_(errorCode) {}
  int ErrorCode() const noexcept { return errorCode_; }

 private:
  int errorCode_;
};

class EStreamError : public Exception {
 public:
  explicit EStreamError(std::string message, std::string reason = {})
      : Exception(std::move(message)), reason_(std::move(reason)) {}
  // The system's words for why, where the message carries them; else empty.
  const std::string& Reason() const noexcept { return reason_; }

 private:
  std::string reason_;
};

// "Cannot open file "<full path>". <system error text>"
class EFOpenError : public EStreamError {
 public:
  EFOpenError(const std::string& path, const std::string& reason)
      : EStreamError("Cannot open file \"" + path + "\". " + reason, reason) {}
};

// "Cannot create file "<full path>". <system error text>"
class EFCreateError : public EStreamError {
 public:
  EFCreateError(const std::string& path, const std::string& reason)
      : EStreamError("Cannot create file \"" + path + "\". " + reason, reason) {}
};

// A stream delivered fewer bytes than were required.
class EReadError : public EStreamError {
 public:
  EReadError() : EStreamError("Stream read error") {}
  using EStreamError::EStreamError;
};

// A stream accepted fewer bytes than were given.
class EWriteError : public EStreamError {
 public:
  EWriteError() : EStreamError("Stream write error") {}
  using EStreamError::EStreamError;
};
