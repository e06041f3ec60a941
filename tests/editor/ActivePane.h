#pragma once
// A relay pane in an active window with the keyboard focus given as at its start, and keys
// pressed as the keyboard presses them, for the tests of keyboard work and screen readers.

#include "RelayPane.h"

#include <QApplication>
#include <QTest>

#include <memory>

// A pane of model 1 or 2 as wide as asked, high enough for its views and dialogs; null when
// the window could not be made active.
inline std::unique_ptr<CRelayPane> MakeActivePane(int model, int width)
{
    std::unique_ptr<CRelayPane> pane(CreateRelayPane(model));
    pane->CreatePaneWindow();
    pane->resize(width, model == 1 ? 600 : 800);
    pane->show();
    pane->activateWindow();
    if (!QTest::qWaitForWindowActive(pane.get()))
        return nullptr;
    pane->setFocus();
    return pane;
}

// A key where the keyboard's key goes: the focus widget (shortcuts first).
inline void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key(key), modifiers);
}
