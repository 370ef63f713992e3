#pragma once
// The controls of the program's windows as a test reaches them: by the name
// a window gives a control, by the caption a user reads; and what they show.
#include <gtest/gtest.h>

#include <QColor>
#include <QPalette>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

#include "platform/captions.h"
#include "platform/lazyform.h"

namespace testing_support {

// The control named `name` in the form's window (loaded first); nullptr when
// there is none.
template <class T = QWidget>
T* Named(platform::LazyForm& form, const char* name) {
    return form.Window()->findChild<T*>(QString::fromLatin1(name));
}

// Clicks the button of the form's window (loaded first) that shows `caption`;
// the test fails unless exactly one shows it.
inline void ClickButton(platform::LazyForm& form, const QString& caption) {
    std::vector<QPushButton*> found;
    for (QPushButton* b : form.Window()->findChildren<QPushButton*>())
        if (b->text() == caption) found.push_back(b);
    ASSERT_EQ(found.size(), 1u) << "buttons showing \"" << caption.toStdString() << "\"";
    found[0]->click();
}

// The colour a control's face shows.
inline QColor FaceColor(const QWidget* control) { return control->palette().color(QPalette::Button); }

// How a label or button of ours draws its caption; nullopt for any other
// widget, which draws its caption unfitted.
inline std::optional<platform::CaptionLayout> CaptionOf(const QWidget* control) {
    if (auto* label = dynamic_cast<const platform::Label*>(control)) return label->Caption();
    if (auto* button = dynamic_cast<const platform::Button*>(control)) return button->Caption();
    return std::nullopt;
}

}  // namespace testing_support
