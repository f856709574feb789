// Shows the window parts for a person to look at (and to take screenshots):
//   window_parts_demo THEME window   a main window with an open menu
//   window_parts_demo THEME dialog   the settings dialog
//   window_parts_demo THEME about    the About box
//   window_parts_demo THEME green READER   the Green ticket dialog over a reader ("image:PATH")
//   window_parts_demo THEME fonts    prints the fonts the program's font lists give
//   window_parts_demo THEME icons OUT.png   the tool bar images, 16 × 15 and enlarged
#include "AboutBox.h"
#include "CSetupDlg.h"
#include "CSuicaGreenDlg.h"
#include "CommandIcons.h"
#include "KuvoraFonts.h"
#include "Themes.h"
#include "felica.h"

#include <QActionGroup>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

#include <cstdio>
#include <QToolBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setWindowIcon(KuvoraAppIcon());
    const int code = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 4;
    const QString what = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("window");
    ApplyTheme(code);

    if (what == QLatin1String("fonts")) {
        for (const auto& [name, font] : {std::pair{"main 10.5 pt", KuvoraFont(10.5)},
                                         std::pair{"footer 8 pt", KuvoraFooterFont()},
                                         std::pair{"dialog 9 pt", KuvoraProportionalFont(9)}}) {
            const QFontInfo info(font);
            std::printf("%s: %s, %.1f pt, %d px, %s\n", name, info.family().toUtf8().constData(), info.pointSizeF(),
                        info.pixelSize(), info.fixedPitch() ? "fixed pitch" : "proportional");
        }
        return 0;
    }
    if (what == QLatin1String("icons") && argc > 3) {
        const int ids[] = {32771, 32790, 57604, 32772, 57634, 32793, 32794, 57607, 57664, 57669};
        QImage sheet(10 * 136, 136 + 24, QImage::Format_ARGB32);
        sheet.fill(Qt::white);
        QPainter p(&sheet);
        for (int i = 0; i < 10; ++i) {
            const QPixmap pm = CommandIcon(ids[i]).pixmap(QSize(16, 15));
            p.drawPixmap(i * 136 + 4, 4, pm);
            p.drawPixmap(QRect(i * 136 + 4, 24, 128, 120), pm);
        }
        p.end();
        return sheet.save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    }
    if (what == QLatin1String("dialog")) {
        CSetupDlg dlg;
        dlg.move(40, 40);
        return dlg.exec() == QDialog::Accepted ? 0 : 1;
    }
    if (what == QLatin1String("green") && argc > 3) {
        initialize_library();
        set_reader_writer_name(argv[3]);
        int result = 0;
        {
            CSuicaGreenDlg dlg;
            dlg.move(40, 40);
            result = dlg.exec() == QDialog::Accepted ? 0 : 1;
        }
        dispose_library();
        return result;
    }
    if (what == QLatin1String("about")) {
        CAboutDlg dlg;
        dlg.move(40, 40);
        return dlg.exec() == QDialog::Accepted ? 0 : 1;
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Kuvora"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    auto item = [&](QMenu* menu, int id, const QString& text) {
        QAction* a = menu->addAction(CommandIcon(id), text);
        return a;
    };
    QAction* first = item(file, 32771, QStringLiteral("読み取り\tCtrl+R(&R)"));
    item(file, 32790, QStringLiteral("グリーン券情報読み取り\tCtrl+G(&G)"));
    item(file, 57604, QStringLiteral("名前を付けて保存(&A)..."));
    file->addSeparator();
    item(file, 57607, QStringLiteral("印刷...\tCtrl+P(&P)"));
    item(file, 57609, QStringLiteral("印刷プレビュー(&V)"))->setEnabled(false);
    item(file, 57606, QStringLiteral("プリンタの設定(&S)..."));
    file->addSeparator();
    item(file, 32772, QStringLiteral("設定(&C)"));
    QAction* check = file->addAction(QStringLiteral("ツール バー(&T)"));
    check->setCheckable(true);
    check->setChecked(true);
    QAction* radio = file->addAction(QStringLiteral("Auto(&A)"));
    radio->setCheckable(true);
    radio->setChecked(true);
    auto* group = new QActionGroup(&window);
    group->addAction(radio);
    file->addSeparator();
    file->addAction(QStringLiteral("アプリケーションの終了(&X)"));
    QMenu* last = nullptr;
    for (const char* title : {"編集(&E)", "表示(&V)", "モード(&M)", "ヘルプ(&H)"})
        last = window.menuBar()->addMenu(QString::fromUtf8(title));

    QToolBar* bar = window.addToolBar(QStringLiteral("ツール バー"));
    bar->setIconSize(QSize(16, 15));
    for (int id : {32771, 32790, 57604, 32772, 0, 57634, 32793, 32794, 0, 57607, 57664, 57669}) {
        if (id == 0) bar->addSeparator();
        else bar->addAction(CommandIcon(id), QString::number(id));
    }
    // One button shown pressed.
    bar->actions().at(6)->setCheckable(true);
    bar->actions().at(6)->setChecked(true);

    auto* grid = new QTableWidget(8, 5);
    grid->setFont(KuvoraFont(9));
    grid->setHorizontalHeaderLabels({QStringLiteral("生データ"), QStringLiteral("端末種"), QStringLiteral("処理"),
                                     QStringLiteral("日付"), QStringLiteral("残 高")});
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 5; ++c) {
            auto* cell = new QTableWidgetItem(c == 1 ? QStringLiteral("改札機") : c == 2 ? QStringLiteral("運賃支払")
                                              : c == 3 ? QStringLiteral("24年05月01日") : QStringLiteral("  1234"));
            cell->setBackground(QColor((r / 2) % 2 == 0 ? QColor(239, 239, 255) : QColor(Qt::white)));
            cell->setForeground(Qt::black);
            grid->setItem(r, c, cell);
        }
    window.setCentralWidget(grid);
    window.statusBar()->showMessage(QStringLiteral("カードの読み取り"));
    for (const char* pane : {"Suica/ICOCA/TOICA/PiTaPa/PASMO", "CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromUtf8(pane));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        window.statusBar()->addPermanentWidget(label);
    }
    window.resize(620, 420);
    window.move(0, 0);
    window.show();
    // The File menu open beside the tool bar, its first item selected.
    QTimer::singleShot(300, &window, [&] {
        window.menuBar()->setActiveAction(last->menuAction());  // an empty menu: only its title lights up
        file->popup(window.mapToGlobal(QPoint(300, 80)));
        file->setActiveAction(first);
    });
    return app.exec();
}
