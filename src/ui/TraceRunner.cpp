#include "ui/TraceRunner.h"

#include <QThread>

#include "model/RomChange.h"
#include "ui/AppState.h"

TTraceRunner::TTraceRunner(AppState& state, QObject* parent) : QObject(parent), state_(state) {
  state.rom.Copying = &copying_;
}

TTraceRunner::~TTraceRunner() {
  if (running_) {
    running_->disconnect(this);
    running_->wait();
    delete running_.data();
  }
  state_.rom.Copying = nullptr;
}

void TTraceRunner::Retrace() {
  ++version_;
  if (state_.rom.RomSize <= kInlineSize) {
    spare_.reset();
    Adopt(std::make_shared<const Trace>(TraceRom(state_.rom, state_.labels, state_.marks, &state_.log)),
          version_);
  } else if (!running_) {
    Start();
  }
  // A run under way finishes first; its result is stale then and a new run follows it.
}

const Trace& TTraceRunner::Current() {
  if (!Fresh()) {
    Adopt(std::make_shared<const Trace>(TraceRom(state_.rom, state_.labels, state_.marks, &state_.log)),
          version_);
  }
  return *latest_;
}

void TTraceRunner::Start() {
  // The thread works on a copy: the ROM may be edited while it runs. The thread makes the copy
  // itself, into the last run's buffer when there is one (that run is over), and the ROM's next
  // write waits until it is made.
  std::shared_ptr<TraceInput> input = std::move(spare_);
  if (!input) input = std::make_shared<TraceInput>();
  FillTraceLabels(*input, state_.labels, state_.marks);
  input->Log = state_.log;
  auto result = std::make_shared<std::shared_ptr<const Trace>>();
  const uint64_t version = version_;
  const std::span<const uint8_t> image = RomBytes(state_.rom);
  std::atomic<bool>* const copying = &copying_;
  copying->store(true);
  running_ = QThread::create([input, result, image, copying] {
    input->Image.assign(image.begin(), image.end());
    copying->store(false);
    copying->notify_all();
    *result = std::make_shared<const Trace>(TraceRom(*input));
  });
  connect(running_, &QThread::finished, this, [this, input, result, version] {
    running_->deleteLater();
    spare_ = input;
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
