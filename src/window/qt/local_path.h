#pragma once

#include <QUrl>

#include <optional>
#include <string>

namespace purgix::window {

// The path of a local file's URL as its own bytes, taken from the percent-encoded form: a
// name that is not UTF-8 stays encoded there, where the decoded text would have replaced
// its bytes. Nothing for a URL of anything else.
std::optional<std::string> localPathBytes(const QUrl& url);

} // namespace purgix::window
