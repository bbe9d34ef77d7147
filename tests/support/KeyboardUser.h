#pragma once

#include "ui/kit/UChooseRoForm.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

// A user without a mouse. Clicks the key on whatever has the keyboard focus.
inline void PressKey(int code)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(code));
}

// Once the folder chooser is open and has the focus, types the path into it and
// confirms with Enter. A chooser that Enter does not close is cancelled after a
// second, so that the test fails instead of waiting for ever.
inline void AnswerChooser(const QString& path, int triesLeft = 300)
{
    QTimer::singleShot(10, [path, triesLeft] {
        auto* chooser = qobject_cast<TChooseRoForm*>(QApplication::activeModalWidget());
        QWidget* focus = QApplication::focusWidget();
        if (chooser == nullptr || focus == nullptr || focus->window() != chooser) {
            if (triesLeft > 0)
                AnswerChooser(path, triesLeft - 1);
            else if (chooser != nullptr)
                chooser->reject();
            return;
        }
        QTest::keyClicks(focus, path);
        PressKey(Qt::Key_Return);
        QTimer::singleShot(1000, chooser, &QDialog::reject);
    });
}
