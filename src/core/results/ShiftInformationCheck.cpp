#include "results/ShiftInformationCheck.h"

#include <algorithm>

#include "model/ShiftTextFields.h"

namespace orvo {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool WholeNumber(const std::string& text) {
    return std::all_of(text.begin(), text.end(), IsDigit);
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), Upper);
    return text;
}

bool ValidMiin(const std::string& text) {
    return text.size() == 9 && Upper(text[0]) == 'M' && std::all_of(text.begin() + 1, text.end(), IsDigit);
}

// The notes box holds 255 characters; cut on a character boundary so UTF-8 stays whole.
std::string LimitNotes(const std::string& notes) {
    size_t characters = 0;
    for (size_t i = 0; i < notes.size(); ++i) {
        if ((static_cast<unsigned char>(notes[i]) & 0xC0) == 0x80)
            continue;
        if (characters++ == kShiftNotesLimit)
            return notes.substr(0, i);
    }
    return notes;
}

ShiftInformationCheck Refuse(std::string message, MessageIcon icon, ShiftInformationField focus) {
    ShiftInformationCheck check;
    check.message = std::move(message);
    check.icon = icon;
    check.focus = focus;
    return check;
}

} // namespace

ShiftInformationCheck CheckShiftInformation(const ShiftInformationEntry& typed, int accessMode,
                                            const ShiftInformation& preset) {
    if (!WholeNumber(typed.averageTons))
        return Refuse("Average Tons - 30 Shifts must be a whole number", MessageIcon::Stop,
                      ShiftInformationField::AverageTons);
    if (!WholeNumber(typed.tonsThisShift))
        return Refuse("Tons This Shift must be a whole number", MessageIcon::Stop,
                      ShiftInformationField::TonsThisShift);

    ShiftInformationCheck check;
    ShiftInformation& info = check.info;
    info.certifiedMiin = preset.certifiedMiin;
    if (accessMode == 0) {
        // The field is read into a 10-character buffer: a longer text arrives cut to 9.
        const std::string miin = typed.certifiedMiin.substr(0, kCertifiedMiinRead);
        if (!ValidMiin(miin))
            return Refuse("The Certified Person MIIN must begin with 'M' and be 9 characters long",
                          MessageIcon::None, ShiftInformationField::CertifiedMiin);
        info.certifiedMiin = miin;
    }

    if (typed.multiUnit == 1) {
        if (typed.firstUnitSerial.size() != 11)
            return Refuse("The first serial number must be 11 characters long", MessageIcon::Stop,
                          ShiftInformationField::FirstUnitSerial);
        if (typed.secondUnitSerial.size() != 11)
            return Refuse("The second serial number must be 11 characters long", MessageIcon::Stop,
                          ShiftInformationField::SecondUnitSerial);
        // Both go into comma-separated record texts.
        if (HoldsComma(typed.firstUnitSerial))
            return Refuse(CommaRefusal("first serial number"), MessageIcon::None,
                          ShiftInformationField::FirstUnitSerial);
        if (HoldsComma(typed.secondUnitSerial))
            return Refuse(CommaRefusal("second serial number"), MessageIcon::None,
                          ShiftInformationField::SecondUnitSerial);
        info.firstUnitSerial = UpperCase(typed.firstUnitSerial);
        info.secondUnitSerial = UpperCase(typed.secondUnitSerial);
        if (info.firstUnitSerial == info.secondUnitSerial) {
            // The dialog has already shown them in upper case when it refuses.
            ShiftInformationCheck refused = Refuse("The serial numbers cannot be identical",
                                                   MessageIcon::Stop, ShiftInformationField::FirstUnitSerial);
            refused.info.firstUnitSerial = info.firstUnitSerial;
            refused.info.secondUnitSerial = info.secondUnitSerial;
            return refused;
        }
        info.multiUnit = true;
    }

    info.averageTons = typed.averageTons;
    info.tonsThisShift = typed.tonsThisShift;
    info.notes = LimitNotes(typed.notes);
    info.entered = true;
    check.ok = true;
    return check;
}

} // namespace orvo
