#include "engines/export/page_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace zembra::exporter {
namespace {

// What a run did, page by page, and the threads it made workers on.
struct Record {
  std::mutex mutex;
  std::vector<int> handled;  ///< how often each page was handled
  std::set<int> started;
  std::set<std::thread::id> threads;
  int workersMade = 0;

  explicit Record(int pages) : handled(static_cast<size_t>(pages), 0) {}
};

// A latch that a test waits on for at most a few seconds, so that a fault
// of the pipeline fails the test instead of hanging it.
class Signal {
 public:
  void Raise() {
    std::lock_guard lock(mutex_);
    raised_ = true;
    changed_.notify_all();
  }
  bool Wait() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return raised_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool raised_ = false;
};

using Handler = std::function<bool(int, const std::function<bool()>&, std::string&)>;

class TestWorker final : public PageWorker {
 public:
  TestWorker(Record& record, Handler handler) : record_(record), handler_(std::move(handler)) {}
  bool Handle(int n, const std::function<bool()>& abandon, std::string& error) override {
    {
      std::lock_guard lock(record_.mutex);
      record_.started.insert(n);
    }
    const bool ok = handler_ ? handler_(n, abandon, error) : true;
    std::lock_guard lock(record_.mutex);
    ++record_.handled[static_cast<size_t>(n)];
    return ok;
  }

 private:
  Record& record_;
  Handler handler_;
};

PageWorkerMaker Maker(Record& record, Handler handler = nullptr) {
  return [&record, handler](int, std::string&) -> std::unique_ptr<PageWorker> {
    std::lock_guard lock(record.mutex);
    ++record.workersMade;
    record.threads.insert(std::this_thread::get_id());
    return std::make_unique<TestWorker>(record, handler);
  };
}

TEST(RunPages, HandlesEveryPageOnceWhateverTheThreads) {
  struct Case {
    int pages, threads, workers;
  };
  for (const Case c : {Case{1, 1, 1}, Case{1, 4, 1}, Case{7, 1, 1}, Case{7, 3, 3}, Case{50, 4, 4}, Case{3, 8, 3}}) {
    Record record(c.pages);
    std::string error;
    ASSERT_TRUE(RunPages(c.pages, c.threads, Maker(record), error)) << error;
    EXPECT_EQ(record.handled, std::vector<int>(static_cast<size_t>(c.pages), 1)) << c.pages << "/" << c.threads;
    EXPECT_EQ(record.workersMade, c.workers) << c.pages << "/" << c.threads;
  }
  Record none(0);
  std::string error;
  EXPECT_TRUE(RunPages(0, 4, Maker(none), error));
  EXPECT_EQ(none.workersMade, 0);
}

TEST(RunPages, OneThreadIsTheCallingThread) {
  Record record(5);
  std::string error;
  ASSERT_TRUE(RunPages(5, 1, Maker(record), error)) << error;
  EXPECT_EQ(record.threads, std::set<std::thread::id>{std::this_thread::get_id()});
}

TEST(RunPages, PagesAfterAFailureDoNotStart) {
  constexpr int kPages = 40;
  constexpr int kFailing = 5;
  Record record(kPages);
  std::string error;
  // A page after the failing one holds its thread until told to give up,
  // so no thread can run ahead while the failure is being recorded.
  const Handler failAtFive = [](int n, const std::function<bool()>& abandon, std::string& message) {
    if (n < kFailing) return true;
    if (n > kFailing) {
      for (int i = 0; i < 20000 && !abandon(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return true;
    }
    message = "page five is damaged";
    return false;
  };
  EXPECT_FALSE(RunPages(kPages, 3, Maker(record, failAtFive), error));
  EXPECT_EQ(error, "page five is damaged");
  // Pages before the failure all finish; after it, only the pages the other
  // two threads had taken already may have started.
  for (int n = 0; n < kFailing; ++n) EXPECT_EQ(record.handled[static_cast<size_t>(n)], 1) << n;
  EXPECT_LE(*record.started.rbegin(), kFailing + 2);
}

TEST(RunPages, ReportsTheEarliestFailureWhicheverFinishesFirst) {
  // Page 1 fails only once page 3 has failed: the run still reports page 1,
  // as a run of one page after the other would.
  Record record(8);
  Signal threeFailed;
  const Handler handler = [&](int n, const std::function<bool()>&, std::string& message) {
    if (n == 1) {
      EXPECT_TRUE(threeFailed.Wait());
      message = "page 1 failed";
      return false;
    }
    if (n == 3) {
      message = "page 3 failed";
      threeFailed.Raise();
      return false;
    }
    return true;
  };
  std::string error;
  EXPECT_FALSE(RunPages(8, 3, Maker(record, handler), error));
  EXPECT_EQ(error, "page 1 failed");
}

TEST(RunPages, TellsLaterPagesToGiveUp) {
  Record record(2);
  Signal secondStarted;
  std::atomic<bool> secondGaveUp{false};
  const Handler handler = [&](int n, const std::function<bool()>& abandon, std::string& message) {
    if (n == 0) {
      EXPECT_TRUE(secondStarted.Wait());
      EXPECT_FALSE(abandon());  // nothing before page 0 failed
      message = "first page failed";
      return false;
    }
    secondStarted.Raise();
    for (int i = 0; i < 20000 && !abandon(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    secondGaveUp = abandon();
    message = "given up";
    return false;
  };
  std::string error;
  EXPECT_FALSE(RunPages(2, 2, Maker(record, handler), error));
  EXPECT_EQ(error, "first page failed");
  EXPECT_TRUE(secondGaveUp);
}

TEST(RunPages, AWorkerThatCannotBeMadeFailsTheRun) {
  Record record(6);
  const PageWorkerMaker maker = [&](int thread, std::string& error) -> std::unique_ptr<PageWorker> {
    if (thread == 1) {
      error = "the input cannot be opened again";
      return nullptr;
    }
    return Maker(record)(thread, error);
  };
  std::string error;
  EXPECT_FALSE(RunPages(6, 2, maker, error));
  EXPECT_EQ(error, "the input cannot be opened again");
}

TEST(RunPages, AnExceptionFailsThePage) {
  Record record(4);
  const Handler handler = [](int n, const std::function<bool()>&, std::string&) -> bool {
    if (n == 2) throw std::runtime_error("out of memory");
    return true;
  };
  std::string error;
  EXPECT_FALSE(RunPages(4, 2, Maker(record, handler), error));
  EXPECT_EQ(error, "out of memory");
}

}  // namespace
}  // namespace zembra::exporter
