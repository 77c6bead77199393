// Draws the README's pictures with the program's own windows: the main window and the sales book over the
// sample data, offscreen, on a fixed day, at fixed sizes, so that two runs write the same bytes. It refuses
// (exit code 1, nothing written) when a text of a window would show as empty boxes because no font on this
// computer draws it, or when a picture came out blank.
//
//     build/kvpictures [--out DIR]      # DIR defaults to docs/images of the source tree

#include "core/backupmanager.h"
#include "core/clock.h"
#include "core/usersession.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"
#include "ui/main/applicationstartup.h"
#include "ui/main/mainwindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>

#include <cstdio>
#include <ctime>

using namespace kestrovalin;

namespace {

// The moment the pictures show, in the pharmacy's time zone (set in main() first); the sample data is dated
// back from it.
QDateTime pictureMoment() {
    return QDateTime(QDate(2026, 3, 6), QTime(9, 30, 0));
}
const QSize kMainWindowSize(1080, 600);
const QSize kBookSize(1400, 490);

int refuse(const QString& why) {
    std::fprintf(stderr, "kvpictures: %s\n", qPrintable(why));
    return 1;
}

// The sample data with SQLite's clock replaced by the fixed day: its dates count back from 'now'.
bool writeSampleData(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QString script = QString::fromUtf8(in.readAll());
    const QString utcNow = pictureMoment().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    script.replace(QStringLiteral("'now'"), QLatin1Char('\'') + utcNow + QLatin1Char('\''));
    QFile out(to);
    return out.open(QIODevice::WriteOnly) && out.write(script.toUtf8()) > 0 && out.flush();
}

void addText(QStringList& texts, const QString& text) {
    if (Qt::mightBeRichText(text)) {
        QTextDocument doc;
        doc.setHtml(text);
        texts << doc.toPlainText();
    } else {
        texts << text;
    }
}

// The texts a window draws: its labels, buttons, fields, tabs, menus and the rows and headers in sight.
QStringList drawnTexts(const QWidget* widget) {
    QStringList texts;
    if (auto* label = qobject_cast<const QLabel*>(widget))
        addText(texts, label->text());
    else if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        texts << button->text();
    else if (auto* box = qobject_cast<const QGroupBox*>(widget))
        texts << box->title();
    else if (auto* field = qobject_cast<const QLineEdit*>(widget))
        texts << field->text() << field->placeholderText();
    else if (auto* tabs = qobject_cast<const QTabBar*>(widget)) {
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    } else if (auto* menus = qobject_cast<const QMenuBar*>(widget)) {
        for (const QAction* action : menus->actions())
            texts << action->text();
    } else if (auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
        if (const QAbstractItemModel* model = view->model()) {
            for (int c = 0; c < model->columnCount(); ++c) {
                texts << model->headerData(c, Qt::Horizontal).toString();
                for (int r = 0; r < qMin(model->rowCount(), 40); ++r)
                    texts << model->index(r, c).data().toString();
            }
        }
    }
    return texts;
}

// Every character of the window's visible texts that no font of this computer draws (it would show as an
// empty box); *checked counts the characters looked at beyond ASCII.
QString undrawnCharacters(const QWidget* window, int* checked) {
    QString missing;
    QList<const QWidget*> widgets{window};
    for (const QWidget* child : window->findChildren<QWidget*>())
        widgets << child;
    for (const QWidget* widget : widgets) {
        if (!widget->isVisibleTo(window) && widget != window)
            continue;
        const QFontMetrics metrics(widget->font());
        for (const QString& text : drawnTexts(widget)) {
            for (const uint c : text.toUcs4()) {
                if (QChar::isSpace(c) || QChar::category(c) == QChar::Other_Format || c == '&')
                    continue;
                if (c > 0x7f)
                    ++*checked;
                if (!metrics.inFontUcs4(c) && !missing.contains(QString::fromUcs4(&c, 1)))
                    missing += QString::fromUcs4(&c, 1);
            }
        }
    }
    return missing;
}

// Lets counts on worker connections and late layouts finish: the window is drawn until three pictures in a
// row are the same.
QImage settledPicture(QWidget* window) {
    QImage last;
    int same = 0;
    QElapsedTimer waited;
    waited.start();
    while (same < 3 && !waited.hasExpired(20000)) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(100);
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        const QImage now = window->grab().toImage();
        same = now == last ? same + 1 : 0;
        last = now;
    }
    return last;
}

// A blank or almost blank picture: one colour covers nearly all of it, or it holds hardly any colours.
bool looksBlank(const QImage& image) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ++counts[line[x]];
    }
    int largest = 0;
    for (const int n : counts)
        largest = qMax(largest, n);
    return counts.size() < 16 || largest > image.width() * image.height() * 97 / 100;
}

// The window's picture once its texts and its picture pass the checks; else a null image and *why.
QImage checkedPicture(QWidget* window, QString* why) {
    const QImage picture = settledPicture(window).convertToFormat(QImage::Format_RGB32);
    int checked = 0;
    QString missing = undrawnCharacters(window, &checked);
    if (missing.size() > 20)
        missing = missing.left(20) + QStringLiteral("…");
    if (!missing.isEmpty())
        *why = QStringLiteral("no font on this computer draws \"%1\" of the window \"%2\" (install "
                              "fonts-wqy-microhei and fonts-noto-color-emoji, as ./run.sh does)")
                   .arg(missing, window->windowTitle());
    else if (checked < 20)
        *why = QStringLiteral("the window \"%1\" shows almost no Chinese text").arg(window->windowTitle());
    else if (looksBlank(picture))
        *why = QStringLiteral("the picture of \"%1\" is blank").arg(window->windowTitle());
    else
        std::printf("%s: %d characters beyond ASCII checked\n", qPrintable(window->windowTitle()), checked);
    return why->isEmpty() ? picture : QImage();
}

} // namespace

// The start-up's progress lines would bury what the tool says; warnings stay.
void quietHandler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

int main(int argc, char* argv[]) {
    qInstallMessageHandler(quietHandler);
    // The same pictures on any machine: no screen, the pharmacy's time zone (SQLite's 'localtime' too).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ", "CST-8");
    tzset();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setCursorFlashTime(0);
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    ApplicationStartup::installQtTranslations(QLibraryInfo::location(QLibraryInfo::TranslationsPath));

    QString outDir = QStringLiteral(KV_SOURCE_DIR "/docs/images");
    const QStringList args = QApplication::arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--out"))
        outDir = args.at(2);
    else if (args.size() != 1)
        return refuse(QStringLiteral("usage: kvpictures [--out DIR]"));
    if (!QDir().mkpath(outDir))
        return refuse(QStringLiteral("cannot make %1").arg(outDir));

    // A program folder with the sample data beside it, as ./run.sh has it.
    QTemporaryDir root;
    const QString programDir = root.filePath(QStringLiteral("build"));
    if (!QDir(root.path()).mkpath(QStringLiteral("build")) ||
        !QDir(root.path()).mkpath(QStringLiteral("docs")) ||
        !writeSampleData(QStringLiteral(KV_SOURCE_DIR "/docs/test_data.sql"),
                         root.filePath(QStringLiteral("docs/test_data.sql"))))
        return refuse(QStringLiteral("cannot set up the sample data in %1").arg(root.path()));
    Clock::pin(pictureMoment());
    BackupManager::setProgramDirForTesting(programDir);
    Prompts::setTestMode(true);

    ApplicationStartup startup(programDir);
    if (!startup.prepareDatabase())
        return refuse(QStringLiteral("the sample database could not be opened"));
    while (startup.isBackupRunning())
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    // Signed in as the sample data's clerk, through the sign-in form.
    {
        LoginDialog login;
        login.findChild<QLineEdit*>(QStringLiteral("editUsername"))->setText(QStringLiteral("zhangli"));
        login.findChild<QLineEdit*>(QStringLiteral("editPassword"))->setText(QStringLiteral("123456"));
        login.findChild<QPushButton*>(QStringLiteral("btnLogin"))->click();
        if (login.result() != QDialog::Accepted)
            return refuse(QStringLiteral("the sample clerk could not sign in: %1").arg(Prompts::lastText()));
        UserSession::instance().setCurrentUser(login.getLoggedInUser());
    }
    Prompts::reset();

    QString failure;
    QImage mainPicture;
    QImage bookPicture;
    {
        MainWindow window;
        // It opens maximised, which offscreen is a small screen's size.
        window.showNormal();
        window.resize(kMainWindowSize);
        // This month's figures: the sample sales lie before today.
        window.setOverviewTab(2);
        mainPicture = checkedPicture(&window, &failure);
        if (failure.isEmpty()) {
            window.openSalesRecordReportWindow();
            QWidget* book = window.featureWindow(MainWindow::SalesRecordReport);
            book->resize(kBookSize);
            // The rows, not the first date field, hold the keys, as after a click into the book.
            if (auto* rows = book->findChild<QTableView*>())
                rows->setFocus();
            bookPicture = checkedPicture(book, &failure);
        }
    }
    if (failure.isEmpty() && !Prompts::history().isEmpty())
        failure = QStringLiteral("a box came up: %1").arg(Prompts::lastText());
    if (failure.isEmpty()) {
        for (const auto& [picture, name] :
             {std::pair(mainPicture, "main-window.png"), std::pair(bookPicture, "sales-book.png")}) {
            const QString path = outDir + QLatin1Char('/') + QLatin1String(name);
            if (!picture.save(path, "PNG")) {
                failure = QStringLiteral("cannot write %1").arg(path);
                break;
            }
            std::printf("wrote %s\n", qPrintable(path));
        }
    } else {
        failure += QStringLiteral("; nothing written");
    }
    startup.shutdown();
    return failure.isEmpty() ? 0 : refuse(failure);
}
