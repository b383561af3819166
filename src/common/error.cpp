#include "common/error.h"

namespace tv {
namespace {
std::string Format(const std::string& file, size_t offset, bool hasOffset, const std::string& field,
                   const std::string& step, const std::string& reason) {
    std::string text;
    if (!step.empty()) text = "start-up step \"" + step + "\" failed: ";
    if (hasOffset) {
        text += file + ": offset " + std::to_string(offset) + ": " + field + ": ";
    } else if (!file.empty()) {
        text += file + ": ";
    }
    return text + reason;
}
}  // namespace

Error::Error(std::string file, size_t offset, bool hasOffset, std::string field, std::string step,
             std::string reason)
    : std::runtime_error(Format(file, offset, hasOffset, field, step, reason)),
      file_(std::move(file)),
      offset_(offset),
      hasOffset_(hasOffset),
      field_(std::move(field)),
      step_(std::move(step)),
      reason_(std::move(reason)) {}

Error::Error(std::string reason) : Error({}, 0, false, {}, {}, std::move(reason)) {}

Error::Error(std::string file, std::string reason)
    : Error(std::move(file), 0, false, {}, {}, std::move(reason)) {}

Error::Error(std::string file, size_t offset, std::string field, std::string reason)
    : Error(std::move(file), offset, true, std::move(field), {}, std::move(reason)) {}

Error Error::InStep(std::string step) const {
    return Error(file_, offset_, hasOffset_, field_, std::move(step), reason_);
}

Error AsError(const std::exception& ex) {
    if (const auto* error = dynamic_cast<const Error*>(&ex)) return *error;
    return Error(ex.what());
}

const Error& Status::error() const {
    static const Error none{std::string()};
    return error_ ? *error_ : none;
}

}  // namespace tv
