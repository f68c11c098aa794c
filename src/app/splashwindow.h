#pragma once

#include <QWidget>

class QLabel;

// Shown for a second while the program starts.
class SplashWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);
    static QString versionText();
    QLabel *versionLabel() const { return m_version; }

private:
    QLabel *m_version = nullptr;
};
