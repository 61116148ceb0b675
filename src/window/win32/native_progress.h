#pragma once

#include <functional>
#include <memory>
#include <string>

struct tagMSG;

namespace purgix::window {

// A small dialog over a window while a long run works: its caption, a line of text, a
// progress bar from 0 to 1000 and a Cancel button. Cancel, Esc, Enter on Cancel and the
// close box all call `cancelled`, and disable the button. Text is UTF-8.
class NativeProgress
{
public:
    NativeProgress(void* owner, const std::string& title, std::function<void()> cancelled);
    ~NativeProgress();
    NativeProgress(const NativeProgress&) = delete;
    NativeProgress& operator=(const NativeProgress&) = delete;

    void setText(const std::string& text);
    void setPermille(int permille);
    // Handles `message` when it is meant for the dialog, as a dialog's loop does.
    bool handles(tagMSG& message);
    void* handle() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace purgix::window
