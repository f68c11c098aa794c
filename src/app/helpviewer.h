#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;

// The user manual: HTML pages in the program's help folder. Each page names
// its topic keywords in <meta name="keywords" content="...">.
class HelpViewer : public QWidget
{
    Q_OBJECT
public:
    struct Topic
    {
        QString keyword;
        QString title;
        QString file;
    };

    explicit HelpViewer(QWidget *parent = nullptr);

    // Shows the contents page (the help file); false with errorString() when
    // the file cannot be read.
    bool showContents(const QString &helpFile);
    // Shows the keyword index of the manual, the search box filled with a
    // partial keyword.
    bool showSearch(const QString &helpFile, const QString &partialKeyword = QString());

    // Shows the viewer and gives it the keyboard, the search box when the
    // search is shown. The first time, it is centred over `owner` (kept on
    // owner's screen).
    void present(QWidget *owner);

    QString errorString() const { return m_error; }
    QTextBrowser *browser() const { return m_browser; }
    QLineEdit *searchBox() const { return m_search; }
    QListWidget *topicList() const { return m_topics; }

    // Every keyword of every page beside the help file, sorted.
    static QList<Topic> keywordIndex(const QString &helpFile);

private:
    bool loadIndex(const QString &helpFile);
    void filterTopics(const QString &text);
    void openTopic();

    QTextBrowser *m_browser = nullptr;
    QLineEdit *m_search = nullptr;
    QListWidget *m_topics = nullptr;
    QWidget *m_searchPane = nullptr;
    QList<Topic> m_index;
    QString m_error;
    bool m_placed = false;
};
