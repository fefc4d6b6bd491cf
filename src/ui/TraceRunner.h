#pragma once
// TTraceRunner: keeps the trace of the loaded ROM in step with its bytes, labels and marks. A
// small ROM is traced at once; a large one on a thread of its own while the user works on, and
// a result that the ROM has moved past by the time it arrives is dropped.

#include <QObject>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <memory>

#include "analysis/Trace.h"

class QThread;
struct AppState;

class TTraceRunner : public QObject {
  Q_OBJECT
 public:
  // ROMs up to this size are traced on the spot: it takes less than a frame.
  static constexpr uint32_t kInlineSize = 1024 * 1024;

  // Takes the ROM's copy flag (Rom::Copying) for as long as it lives; it must go before the
  // state does.
  TTraceRunner(AppState& state, QObject* parent);
  ~TTraceRunner() override;

  // The ROM, its labels or its marks changed: the trace held is stale from now on.
  void Retrace();
  // The last trace made, which may be of an earlier state of the ROM while a new one runs;
  // nullptr before the first.
  const Trace* Latest() const { return latest_.get(); }
  // The trace of the ROM as it is now, made on the spot when the one running has not come in.
  const Trace& Current();
  bool Fresh() const { return latest_ && latestVersion_ == version_; }

 signals:
  // A trace of the ROM as it is now has come in.
  void Traced();

 private:
  void Start();
  void Adopt(std::shared_ptr<const Trace> trace, uint64_t version);

  AppState& state_;
  std::atomic<bool> copying_ = false;
  uint64_t version_ = 0;
  std::shared_ptr<const Trace> latest_;
  uint64_t latestVersion_ = 0;
  QPointer<QThread> running_;
  // The input of the last run, once it is over: the next run's copy of the ROM goes into it.
  std::shared_ptr<TraceInput> spare_;
};
