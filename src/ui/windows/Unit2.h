#pragma once
#include "base/MessageTexts.h"
#include "sweep/PathList.h"

#include <QWidget>

class QPlainTextEdit;

// The list viewer: shows the clean list and lets the user edit it.
class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // Visible and in front; never modal.
    // Shown and in front; a hidden window opens centred on `opener`.
    void showWindow(const QWidget* opener = nullptr);
    // Replaces the text with these lines and marks it unedited. A list too large for the box
    // to show in a second or two (see Unit2.cpp) is not shown: the box then says so, read-only.
    void setLines(const zandrel::PathList& lines,
                  const zandrel::MessageTexts& texts = zandrel::MessageTexts());
    // After the user edited the text: lines = its lines, true. Otherwise false, lines untouched.
    bool takeEdits(zandrel::PathList& lines);

    QPlainTextEdit* Memo1;

private:
    bool refused_ = false;
};

extern TForm2* Form2;
