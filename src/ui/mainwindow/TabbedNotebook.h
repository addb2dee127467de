#pragma once
#include <QPoint>
#include <QTabWidget>

#include <vector>

// A tab widget whose pages lay their controls out in a fixed frame: a page's client area begins
// at kClientOrigin of the notebook, whatever room the style gives the tab bar and frame.
class TabbedNotebook final : public QTabWidget {
    Q_OBJECT
public:
    static constexpr QPoint kClientOrigin{4, 24};

    explicit TabbedNotebook(QWidget* parent = nullptr);

    // A new page; its controls go onto the returned client area.
    QWidget* addPage(const QString& name, const QString& caption);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void anchorClients();

    std::vector<QWidget*> clients_;
};
