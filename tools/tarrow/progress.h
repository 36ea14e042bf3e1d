// The progress of a download, drawn from the library's progress trace lines ("<mark><bytes>"):
// on a terminal a bar with bytes and percent that redraws itself, otherwise one plain line per
// report. Every other trace line goes to standard error as it is.
#pragma once

#include <cstdint>

namespace tarrow {

class DownloadProgress {
 public:
  // Installs itself as the trace function with the information level added to the trace mask.
  DownloadProgress(const char* mark, long total_bytes);
  // Restores the trace mask and ends the bar's line.
  ~DownloadProgress();
  DownloadProgress(const DownloadProgress&) = delete;
  DownloadProgress& operator=(const DownloadProgress&) = delete;

 private:
  uint32_t saved_mask_;
};

// The size of a file in bytes, -1 when it cannot be read.
long FileSize(const char* path);

}  // namespace tarrow
