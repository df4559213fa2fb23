// The pages of a series handled by several threads at once. Each thread
// takes the next page nobody has taken, so pages start in order, and keeps
// what it set up (its copy of the document, its renderer) from page to page.
// The first failure ends the series as if the pages were handled one at a
// time: no page after it starts, pages after it that are under way are told
// to give up, pages before it finish, and the run fails with the error of
// the earliest page that failed.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace zembra::exporter {

class PageWorker {
 public:
  virtual ~PageWorker() = default;
  /// Handles page n of the series (from 0); false with error set on
  /// failure. abandon() turns true once an earlier page has failed: the
  /// work on this one is wasted then, and may stop early.
  virtual bool Handle(int n, const std::function<bool()>& abandon, std::string& error) = 0;
};

/// Makes the worker of thread number `thread` (from 0), on that thread;
/// nullptr with error set fails the run.
using PageWorkerMaker = std::function<std::unique_ptr<PageWorker>(int thread, std::string& error)>;

/// Handles pages 0 to count - 1 on up to `threads` threads, the calling
/// thread one of them (1: page after page on the calling thread). False with
/// the error of the earliest failure.
bool RunPages(int count, int threads, const PageWorkerMaker& makeWorker, std::string& error);

/// The processors this process may run on: the threads a series uses.
int UsableProcessors();

}  // namespace zembra::exporter
