#pragma once
// The controls of the program's windows as a test reaches them: by the name
// a window gives a control, by the caption a user reads.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QString>
#include <QWidget>
#include <vector>

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

}  // namespace testing_support
