#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/MessageService.h"

namespace orvo {

// How a result text is drawn. Pass and fail are bold, in dark green and dark red.
enum class TextTone { Normal, Pass, Fail };

struct Rgb {
    uint8_t red, green, blue;
    bool operator==(const Rgb&) const = default;
};
constexpr Rgb kPassColour{0, 127, 0};
constexpr Rgb kFailColour{127, 0, 0};
constexpr Rgb ToneColour(TextTone tone) {
    return tone == TextTone::Pass ? kPassColour : tone == TextTone::Fail ? kFailColour : Rgb{0, 0, 0};
}

// One number of a procedure's entry dialog (a weight's mass, say).
struct DialogNumber {
    std::string label;
    double value = 0.0;
    bool editable = true;
    double minimum = 0.0; // accepted range, inclusive
    double maximum = 0.0;
};

// What a calibration or diagnostics procedure asks of its form. Controls and text fields are named
// by the identifiers each procedure lists in its header; the form maps them onto its widgets and
// ignores names it does not show.
//
// Contract with the procedure (see ProcedureLogic):
// - Every call comes from, and every call into the procedure goes to, one thread.
// - Message and Dialog are synchronous: they return the user's answer. While one is open the
//   form delivers no timer event; the procedure stops and restarts its timer around it.
// - StartTimer(ms) makes the form call ProcedureLogic::OnTimer every `ms` milliseconds until
//   StopTimer; starting again replaces the period.
// - ReturnToMain asks the frame to switch back to the main status form; the form then calls
//   ProcedureLogic::Close while it goes.
class IProcedureView {
public:
    virtual ~IProcedureView() = default;

    virtual void SetText(const std::string& field, const std::string& text,
                         TextTone tone = TextTone::Normal) = 0;
    virtual void SetEnabled(const std::string& control, bool enabled) = 0;
    virtual void SetChecked(const std::string& control, bool checked) = 0;
    virtual void SetVisible(const std::string& control, bool visible) = 0;
    // Focus on an entry with its whole text selected.
    virtual void Focus(const std::string& control) = 0;

    // A message box; `title` is the procedure's name.
    virtual MessageAnswer Message(const std::string& title, const std::string& text, MessageIcon icon,
                                  MessageButtons buttons) = 0;
    // A modal entry dialog of numbers; false when cancelled (the values are then unchanged).
    virtual bool Dialog(const std::string& title, const std::string& prompt,
                        std::vector<DialogNumber>& numbers) = 0;

    virtual void StartTimer(int ms) = 0;
    virtual void StopTimer() = 0;
    virtual void ReturnToMain() = 0;
};

} // namespace orvo
