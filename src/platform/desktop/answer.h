#pragma once

namespace purgix::platform {

// The caption of the window and of every message box.
inline constexpr char kApplicationTitle[] = "Purgix";

// The answer to a question asked with Yes, No and Cancel.
enum class Answer { Yes, No, Cancel };

} // namespace purgix::platform
