#pragma once
// The game's one error type. Every failure that leaves a module is an Error (thrown, or held in
// a Status): what went wrong, and where when it is known (the file, the byte offset and the
// field of a bad file; the start-up step that failed). Its message reads
//   [start-up step "STEP" failed: ][FILE: [offset N: FIELD: ]]REASON

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace tv {

class Error : public std::runtime_error {
public:
    // A reason alone ("no OpenGL rendering context").
    explicit Error(std::string reason);
    // A file and what is wrong with it as a whole ("PATH: cannot create").
    Error(std::string file, std::string reason);
    // A bad field of a file: "FILE: offset N: FIELD: REASON".
    Error(std::string file, size_t offset, std::string field, std::string reason);

    // The same error as the failure of a start-up step.
    Error InStep(std::string step) const;

    const std::string& file() const { return file_; }
    size_t offset() const { return offset_; }
    bool hasOffset() const { return hasOffset_; }
    const std::string& field() const { return field_; }
    const std::string& step() const { return step_; }
    const std::string& reason() const { return reason_; }
    // The reason, under the name the file readers' errors always had.
    const std::string& message() const { return reason_; }
    // The whole text, as what() gives it.
    std::string Message() const { return what(); }

private:
    Error(std::string file, size_t offset, bool hasOffset, std::string field, std::string step,
          std::string reason);
    std::string file_;
    size_t offset_ = 0;
    bool hasOffset_ = false;
    std::string field_;
    std::string step_;
    std::string reason_;
};

// What every file reader throws on truncated or corrupt data.
using DataError = Error;

// Any exception as the game's error: an Error as it is, another one by its what().
Error AsError(const std::exception& ex);

// The outcome of an operation that reports rather than throws: success, or the Error.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error error) : error_(std::move(error)) {}  // NOLINT: a failure converts to its Status

    bool ok() const { return !error_.has_value(); }
    // The failure; an error with an empty message when ok().
    const Error& error() const;
    // The failure's message; empty when ok().
    std::string Message() const { return error_ ? error_->Message() : std::string(); }

private:
    std::optional<Error> error_;
};

}  // namespace tv
