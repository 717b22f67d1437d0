#pragma once

#include <QPushButton>

namespace orvo {

// A form's push button, found by its object name in tests; Return in a field never presses it.
inline QPushButton* FormButton(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace orvo
