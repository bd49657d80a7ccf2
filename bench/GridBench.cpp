// Loading a list into the grid costs one row-count change and one repaint,
// however long the list: the two sizes should take about the same time.
#include "Mizelstringgrid.h"

#include <QCoreApplication>
#include <QWindow>
#include <benchmark/benchmark.h>

namespace {

void BM_GridLoadVector(benchmark::State &state)
{
    const std::size_t n = std::size_t(state.range(0));
    mizel::ValueList list;
    list.reserve(n + 1);
    list.resize(n, -2147483647);

    TMizelStringGrid grid;
    grid.resize(285, 320);
    grid.show();
    for (int tries = 0; tries < 1000 && !(grid.windowHandle() && grid.windowHandle()->isExposed()); ++tries)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    for (auto _ : state) {
        // One value more or less each time, so every load changes the row count.
        if (list.size() == n)
            list.push_back(1);
        else
            list.pop_back();
        grid.loadVector(&list);

        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(grid.rowCount());
}

} // namespace

BENCHMARK(BM_GridLoadVector)->Arg(1000)->Arg(100'000'000)->Unit(benchmark::kMicrosecond);
