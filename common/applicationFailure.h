// A failure that no step turns into a ResultCode: a file stream that cannot be opened or created,
// the failed "system.ini" write. It leaves the current action at once and is shown by the
// application's top-level handler (Application::showFailure) in an error box captioned with the
// application title.
#pragma once
#include <exception>
#include <string>

class ApplicationFailure : public std::exception {
 public:
  explicit ApplicationFailure(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};
