// What a full Messages list costs the person looking at it: showing the page, sorting it by
// sender with a click on the column's header, and "Mark All As Read" (which saves the emptied
// data file), each until the list has painted its new rows. Runs the real page on the data
// file of bench_desktop_seed, on the X server of DISPLAY. Prints the three figures in ms.
//
//   bench_message_list <data folder>
#include "bench/BenchSupport.h"
#include "core/LogicCore.h"
#include "ui/MessagesPage.h"
#include "ui/ModelEvents.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QWindow>

#include <chrono>
#include <cstdio>

namespace {

// Runs `step`, then lets the page paint, and answers how long that took in milliseconds.
template <typename Step> double timed(QWidget& page, Step step) {
    const auto begin = std::chrono::steady_clock::now();
    step();
    QCoreApplication::processEvents();
    page.repaint();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
        .count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_message_list <data folder>\n");
        return 2;
    }
    Bench::heapLikeTheProgram(argv);
    QApplication application(argc, argv);
    LogicCore core(argv[1], {});
    ModelEvents events(core);
    MessagesPage page(core, events, nullptr);
    page.resize(900, 500);
    auto* list = page.findChild<QTableView*>(QStringLiteral("messageList"));
    auto* markAll = page.findChild<QPushButton*>(QStringLiteral("markAllAsRead"));

    const double show = timed(page, [&] {
        page.show();
        while (page.windowHandle() == nullptr || !page.windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
    const double sort = timed(page, [&] { Q_EMIT list->horizontalHeader()->sectionClicked(1); });
    const int rows = list->model()->rowCount();
    const double markAllRead = timed(page, [&] { markAll->click(); });
    std::printf("%.1f %.1f %.1f %d %d\n", show, sort, markAllRead, rows, list->model()->rowCount());
    return 0;
}
