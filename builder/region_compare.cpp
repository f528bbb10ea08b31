#include "builder/region_compare.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "builder/alignments_writer.h"
#include "common/symbols.h"

void CostTables::reset(int states) {
    size = states;
    cost.assign(size_t(states) * states, 0);
    userCost.assign(size_t(states) * states, 0.0);
}

int defaultThreadCount() {
    int count = int(std::thread::hardware_concurrency());
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        const int usable = CPU_COUNT(&allowed);
        if (usable > 0 && (count == 0 || usable < count)) count = usable;
    }
    return std::max(count, 1);
}

namespace {

using Workspace = std::unique_ptr<PairWorkspace, void (*)(PairWorkspace*)>;

// Aligns the pairs (g, h) of row g, h > g, in order: stores their costs and appends their
// records to `records`.
void compareRow(const RegionStates& states, int g, char gapChar, const CostModel& model,
                const UserWeights& weights, PairWorkspace& workspace, CostTables& costs,
                std::string& records) {
    const int count = costs.size;
    for (int h = g + 1; h < count; ++h) {
        const PairResult r =
            alignPair(states.states[g], states.states[h], gapChar, model, weights, workspace);
        costs.cost[size_t(h) * count + g] = r.scores.cxy;
        costs.cost[size_t(g) * count + h] = r.scores.cxy;
        costs.userCost[size_t(h) * count + g] = r.scores.userCxy;
        costs.userCost[size_t(g) * count + h] = r.scores.userCxy;
        const int s = r.firstIsShorter ? g : h;
        const int l = r.firstIsShorter ? h : g;
        appendPairRecord(records, stateSymbol(s), r.shorterRow, stateSymbol(l), r.longerRow,
                         gapChar, r.scores);
    }
}

// The rows of a region shared out among worker threads: each worker takes the next row not
// yet taken and aligns all its pairs; the calling thread hands the finished rows on in
// order.
class RowSchedule {
  public:
    explicit RowSchedule(int rows) : records_(size_t(rows)), done_(size_t(rows), false) {}

    // Returns the next row to align, or -1 when none is left.
    int take() {
        const int g = next_.fetch_add(1);
        return g < int(done_.size()) ? g : -1;
    }
    // Stops handing out rows.
    void stop() { next_.store(int(done_.size())); }
    std::string& records(int g) { return records_[size_t(g)]; }
    // Marks row g done (or the work failed with `error`).
    void finish(int g, std::exception_ptr error = nullptr) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (error && !error_) error_ = error;
            if (g >= 0) done_[size_t(g)] = true;
        }
        ready_.notify_all();
    }
    // Waits until row g is done; rethrows a worker's error.
    void wait(int g) {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [&] { return done_[size_t(g)] || error_; });
        if (error_) std::rethrow_exception(error_);
    }

  private:
    std::vector<std::string> records_;
    std::vector<bool> done_;
    std::atomic<int> next_{0};
    std::mutex mutex_;
    std::condition_variable ready_;
    std::exception_ptr error_;
};

}  // namespace

void compareRegionStates(const RegionStates& states, char gapChar, const CostModel& model,
                         const UserWeights& weights, CostTables& costs, std::string& alignments,
                         const std::function<void(int)>& rowDone, int threads) {
    const int count = states.lastStateIndex + 1;
    costs.reset(count);
    if (count <= 0) return;
    const int rows = count - 1;  // the rows that have pairs
    if (threads <= 0) threads = defaultThreadCount();
    threads = std::min(threads, rows);

    if (threads <= 1) {
        Workspace workspace(newPairWorkspace(), deletePairWorkspace);
        for (int g = 0; g < rows; ++g) {
            compareRow(states, g, gapChar, model, weights, *workspace, costs, alignments);
            rowDone(g);
        }
        rowDone(count - 1);
        return;
    }

    RowSchedule schedule(rows);
    std::vector<std::jthread> workers;
    // Declared after the workers, so it runs first when leaving early: no new rows are
    // handed out, and the workers are joined once their current row is done.
    struct StopGuard {
        RowSchedule& schedule;
        ~StopGuard() { schedule.stop(); }
    } guard{schedule};
    for (int t = 0; t < threads; ++t) {
        try {
            workers.emplace_back([&] {
                try {
                    Workspace workspace(newPairWorkspace(), deletePairWorkspace);
                    for (int g = schedule.take(); g >= 0; g = schedule.take()) {
                        compareRow(states, g, gapChar, model, weights, *workspace, costs,
                                   schedule.records(g));
                        schedule.finish(g);
                    }
                } catch (...) {
                    schedule.stop();
                    schedule.finish(-1, std::current_exception());
                }
            });
        } catch (const std::system_error&) {
            break;  // no more threads can be started: those that run share the rows
        }
    }
    if (workers.empty()) {
        compareRegionStates(states, gapChar, model, weights, costs, alignments, rowDone, 1);
        return;
    }
    for (int g = 0; g < rows; ++g) {
        schedule.wait(g);
        alignments += schedule.records(g);
        std::string().swap(schedule.records(g));
        rowDone(g);
    }
    rowDone(count - 1);
}
