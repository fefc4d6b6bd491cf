#include "ui/TraceRunner.h"

#include <QThread>

#include "ui/AppState.h"

TTraceRunner::TTraceRunner(const AppState& state, QObject* parent)
    : QObject(parent), state_(state) {}

TTraceRunner::~TTraceRunner() {
  if (running_) {
    running_->disconnect(this);
    running_->wait();
    delete running_.data();
  }
}

void TTraceRunner::Retrace() {
  ++version_;
  if (state_.rom.RomSize <= kInlineSize) {
    Adopt(std::make_shared<const Trace>(TraceRom(state_.rom, state_.labels, state_.marks)),
          version_);
  } else if (!running_) {
    Start();
  }
  // A run under way finishes first; its result is stale then and a new run follows it.
}

const Trace& TTraceRunner::Current() {
  if (!Fresh()) {
    Adopt(std::make_shared<const Trace>(TraceRom(state_.rom, state_.labels, state_.marks)),
          version_);
  }
  return *latest_;
}

void TTraceRunner::Start() {
  // The thread works on a copy: the ROM may be edited while it runs.
  auto input = std::make_shared<const TraceInput>(
      MakeTraceInput(state_.rom, state_.labels, state_.marks));
  auto result = std::make_shared<std::shared_ptr<const Trace>>();
  const uint64_t version = version_;
  running_ = QThread::create([input, result] {
    *result = std::make_shared<const Trace>(TraceRom(*input));
  });
  connect(running_, &QThread::finished, this, [this, result, version] {
    running_->deleteLater();
    running_ = nullptr;
    if (version == version_) {
      if (!Fresh()) Adopt(*result, version);
    } else {
      Start();
    }
  });
  running_->start(QThread::LowPriority);
}

void TTraceRunner::Adopt(std::shared_ptr<const Trace> trace, uint64_t version) {
  latest_ = std::move(trace);
  latestVersion_ = version;
  emit Traced();
}
