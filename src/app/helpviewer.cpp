#include "app/helpviewer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpViewer::HelpViewer(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Partwise Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    // At most 820 x 600, and no more than two thirds of the screen.
    if (const QScreen *screen = this->screen())
        resize(QSize(820, 600).boundedTo(screen->availableGeometry().size() * 2 / 3));
    else
        resize(820, 600);

    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    auto *back = new QPushButton(QStringLiteral("&Back"), this);
    auto *forward = new QPushButton(QStringLiteral("&Forward"), this);
    auto *contents = new QPushButton(QStringLiteral("&Contents"), this);
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    layout->addLayout(buttons);

    auto *splitter = new QSplitter(this);
    m_searchPane = new QWidget(splitter);
    auto *searchLayout = new QVBoxLayout(m_searchPane);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    auto *prompt = new QLabel(QStringLiteral("Type a &keyword:"), m_searchPane);
    prompt->setObjectName(QStringLiteral("lblKeyword"));
    searchLayout->addWidget(prompt);
    m_search = new QLineEdit(m_searchPane);
    m_search->setObjectName(QStringLiteral("txtKeyword"));
    // With its field as buddy the label shows "keyword" with an underlined
    // access key instead of a literal "&", and Alt+K goes to the field.
    prompt->setBuddy(m_search);
    m_topics = new QListWidget(m_searchPane);
    searchLayout->addWidget(m_search);
    searchLayout->addWidget(m_topics);
    auto *show = new QPushButton(QStringLiteral("&Display"), m_searchPane);
    searchLayout->addWidget(show);
    m_browser = new QTextBrowser(splitter);
    m_browser->setOpenExternalLinks(true);
    splitter->setStretchFactor(1, 3);
    layout->addWidget(splitter);
    m_searchPane->hide();

    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(contents, &QPushButton::clicked, m_browser, &QTextBrowser::home);
    connect(m_search, &QLineEdit::textChanged, this, &HelpViewer::filterTopics);
    connect(m_search, &QLineEdit::returnPressed, this, &HelpViewer::openTopic);
    connect(m_topics, &QListWidget::itemActivated, this, &HelpViewer::openTopic);
    connect(show, &QPushButton::clicked, this, &HelpViewer::openTopic);
}

void HelpViewer::present(QWidget *owner)
{
    if (!m_placed && owner) {
        QRect frame(QPoint(), size());
        frame.moveCenter(owner->frameGeometry().center());
        if (const QScreen *screen = owner->screen()) {
            const QRect room = screen->availableGeometry();
            frame.moveLeft(qBound(room.left(), frame.left(), qMax(room.left(), room.right() - frame.width())));
            frame.moveTop(qBound(room.top(), frame.top(), qMax(room.top(), room.bottom() - frame.height())));
        }
        move(frame.topLeft());
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
    if (m_searchPane->isVisible())
        m_search->setFocus(Qt::OtherFocusReason);
}

bool HelpViewer::showContents(const QString &helpFile)
{
    QFile f(helpFile);
    if (!f.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Cannot open the help file %1: %2").arg(helpFile, f.errorString());
        return false;
    }
    m_browser->setSource(QUrl::fromLocalFile(QFileInfo(helpFile).absoluteFilePath()));
    return true;
}

bool HelpViewer::showSearch(const QString &helpFile, const QString &partialKeyword)
{
    if (!showContents(helpFile))
        return false;
    loadIndex(helpFile);
    m_searchPane->show();
    m_search->setText(partialKeyword);
    filterTopics(partialKeyword);
    m_search->setFocus();
    return true;
}

QList<HelpViewer::Topic> HelpViewer::keywordIndex(const QString &helpFile)
{
    static const QRegularExpression keywordsRe(
        QStringLiteral(R"re(<meta\s+name\s*=\s*"keywords"\s+content\s*=\s*"([^"]*)")re"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression titleRe(QStringLiteral(R"(<title>([^<]*)</title>)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QList<Topic> index;
    const QDir dir = QFileInfo(helpFile).absoluteDir();
    const QStringList pages = dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (const QString &page : pages) {
        QFile f(dir.filePath(page));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(f.readAll());
        const QString title = titleRe.match(html).captured(1).trimmed();
        const QStringList keywords =
            keywordsRe.match(html).captured(1).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &k : keywords)
            index.append({k.trimmed(), title, dir.filePath(page)});
    }
    std::sort(index.begin(), index.end(), [](const Topic &a, const Topic &b) {
        const int c = a.keyword.compare(b.keyword, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.title < b.title;
    });
    return index;
}

bool HelpViewer::loadIndex(const QString &helpFile)
{
    m_index = keywordIndex(helpFile);
    return !m_index.isEmpty();
}

void HelpViewer::filterTopics(const QString &text)
{
    m_topics->clear();
    for (int i = 0; i < m_index.size(); ++i) {
        const Topic &t = m_index.at(i);
        if (t.keyword.contains(text, Qt::CaseInsensitive)) {
            auto *item = new QListWidgetItem(t.keyword + QStringLiteral("  —  ") + t.title, m_topics);
            item->setData(Qt::UserRole, t.file);
        }
    }
    if (m_topics->count() > 0)
        m_topics->setCurrentRow(0);
}

void HelpViewer::openTopic()
{
    if (QListWidgetItem *item = m_topics->currentItem())
        m_browser->setSource(QUrl::fromLocalFile(item->data(Qt::UserRole).toString()));
}
