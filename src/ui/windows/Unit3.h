#pragma once
#include <QUrl>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

// The About window: name, version, credits, logo and three links.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    // Visible and in front; never modal.
    // Shown and in front; a hidden window opens centred on `opener`.
    void showWindow(const QWidget* opener = nullptr);

    // How a link is opened; the result is ignored either way.
    std::function<void(const QUrl&)> openLink;

    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label12;
    QPushButton* Button1;

    void Button1Click();
    void Label7Click();
    void Label9Click();
    void Label12Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Look { Plain, Bold, Red, Link, BoldLink };
    QLabel* addLabel(const char* name, int left, int top, const QString& text, Look look);
};

extern TForm3* Form3;
