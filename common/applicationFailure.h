// A failure that no step turns into a ResultCode where it happens: a file stream that cannot be
// opened or created, the failed "system.ini" write. It leaves the current action at once; the
// start-up driver and the install run turn it into their result (code, or 31 ERROR_GEN_FAILURE
// when the system gave none) after the application's top-level handler has shown the message in
// an error box captioned with the application title.
#pragma once
#include <exception>
#include <string>

class ApplicationFailure : public std::exception {
 public:
  explicit ApplicationFailure(std::string message, int code = 0) : message_(std::move(message)), code_(code) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }
  int code() const { return code_ != 0 ? code_ : 31; }

 private:
  std::string message_;
  int code_;
};
