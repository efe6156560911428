// kvr-manual-shots: the manual's pictures, taken from the real windows on
// the simulated controller, offscreen, so they show what the program shows.
// Usage: kvr-manual-shots en|de OUTDIR
// Each picture is one QtTest case; a window that does not come up as
// expected fails the build instead of leaving a wrong picture.
#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QTest>
#include <cstdio>
#include <string>

#include "gui/support/gui_rig.h"
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/speed_texts.h"

using kvr::Language;
using kvr::gui::QtWindow;
using kvr::testing::ClickButton;
using kvr::testing::GuiRig;
namespace id = kvr::id;

class ManualShots : public QObject {
    Q_OBJECT

  public:
    ManualShots(Language lang, QString folder) : lang_(lang), folder_(std::move(folder)) {}

  private slots:
    void mainWindowAfterRead();
    void lockFunctions();
    void rpmControl();
    void revCounter();
    void controllerInfo();
    void messageBox();

  private:
    // Offscreen windows have no frame: the picture gets a plain title bar,
    // so a box shows its caption as on the desktop.
    void Save(QWidget* window, const QString& name) {
        QCoreApplication::processEvents();
        QPixmap content = window->grab();
        const qreal scale = content.devicePixelRatio();
        content.setDevicePixelRatio(1);
        const int bar = qRound(24 * scale);
        QImage framed(content.width(), content.height() + bar, QImage::Format_RGB32);
        QPainter painter(&framed);
        painter.fillRect(0, 0, framed.width(), bar, QColor(0x1d, 0x3b, 0x6f));
        QFont font = window->font();
        font.setPixelSize(qRound(12 * scale));
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(qRound(8 * scale), 0, framed.width(), bar),
                         Qt::AlignVCenter | Qt::AlignLeft, window->windowTitle());
        painter.drawPixmap(0, bar, content);
        painter.end();
        const QString file = folder_ + QLatin1Char('/') + name + QStringLiteral(".png");
        QVERIFY2(framed.save(file), qPrintable(file));
    }
    // The box the program showed last, as a person sees it.
    void SaveBox(GuiRig& r, const QString& name) {
        QVERIFY(!r.host.boxes.empty());
        const auto& shown = r.host.boxes.back();
        std::unique_ptr<QMessageBox> box =
            r.host.MakeMessageBox(nullptr, shown.text, shown.caption, shown.buttons);
        box->show();
        Save(box.get(), name);
    }
    // Opens a dialog of the main window, lets `play` work in it, takes its
    // picture and closes it with its End or OK button.
    void ShootDialog(GuiRig& r, int command, const QString& name,
                     const std::function<void(QtWindow&)>& play) {
        bool shot = false;
        r.host.script = [&](int, QtWindow& d) {
            play(d);
            Save(d.dialog(), name);
            QWidget* close = d.control(id::kEnd) ? d.control(id::kEnd) : d.control(id::kOk);
            ClickButton(close);
            shot = true;
        };
        if (r.main->menuItem(command) != nullptr) {
            r.Choose(command);
        } else {
            r.Click(command);
        }
        QVERIFY(shot);
        QVERIFY(r.host.boxes.empty());
    }

    Language lang_;
    QString folder_;
};

void ManualShots::mainWindowAfterRead() {
    GuiRig r(lang_);
    r.Click(id::kRead);
    QVERIFY(r.host.boxes.empty());
    QCOMPARE(r.Text(id::kStatusLine), QStringLiteral("OK"));
    Save(r.main->dialog(), QStringLiteral("main-window"));
}

void ManualShots::lockFunctions() {
    GuiRig r(lang_);
    r.SetByte(kvr::LockFlags, 0xFD);  // test program locked
    r.Click(id::kRead);
    ShootDialog(r, id::kLockFunctions, QStringLiteral("lock-functions"),
                [](QtWindow& d) { ClickButton(d.control(id::kLockRead)); });
}

void ManualShots::rpmControl() {
    GuiRig r(lang_);
    r.Click(id::kRead);
    ShootDialog(r, id::kRpmSetUp, QStringLiteral("rpm-control"),
                [](QtWindow& d) { ClickButton(d.control(id::kRpmRead)); });
}

void ManualShots::revCounter() {
    GuiRig r(lang_);
    r.SetByte(kvr::LockFlags, 0xFD);  // test program locked
    ShootDialog(r, id::kRevCounter, QStringLiteral("rev-counter"), [](QtWindow&) {});
}

void ManualShots::controllerInfo() {
    GuiRig r(lang_);
    r.Choose(id::kControllerInfo);
    QCOMPARE(r.host.boxes.size(), std::size_t{1});
    SaveBox(r, QStringLiteral("controller-info"));
}

// Lock functions before a Read: the gate's box.
void ManualShots::messageBox() {
    GuiRig r(lang_);
    r.Choose(id::kLockFunctions);
    QCOMPARE(r.host.boxes.size(), std::size_t{1});
    SaveBox(r, QStringLiteral("message-box"));
}

int main(int argc, char** argv) {
    if (argc != 3 || (std::string(argv[1]) != "en" && std::string(argv[1]) != "de")) {
        std::fprintf(stderr, "usage: kvr-manual-shots en|de OUTDIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    ManualShots shots(std::string(argv[1]) == "de" ? Language::German : Language::English,
                      QString::fromLocal8Bit(argv[2]));
    char* testArgs[] = {argv[0], const_cast<char*>("-silent")};
    return QTest::qExec(&shots, 2, testArgs);
}

#include "manual_shots.moc"
