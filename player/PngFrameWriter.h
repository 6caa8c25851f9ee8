// One PNG file per block into a folder, encoded on threads of its own so
// that the blocks go on being analysed and painted meanwhile. The files are
// written one after the other in the order the frames were given.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/render/Frame.h"

namespace kivo {

class TPngFrameWriter {
 public:
  // One encoder thread for each core beyond the first, at least one and
  // at most two.
  static std::size_t DefaultEncoders();

  // `queued` frames at most wait for an encoder; beyond, the caller
  // encodes one itself.
  TPngFrameWriter(std::string folder, std::size_t encoders = DefaultEncoders(),
                  std::size_t queued = 8);
  // Stops the encoders; frames not yet written then are not.
  ~TPngFrameWriter();
  TPngFrameWriter(const TPngFrameWriter&) = delete;
  TPngFrameWriter& operator=(const TPngFrameWriter&) = delete;

  // Queues the frame of `block` (copied). `unchanged`: it has the pixels of
  // the frame given before, whose file is then written again without
  // encoding. Raises the error that an earlier file met.
  void Write(const TFrame& frame, std::size_t block, bool unchanged);
  // Waits until every file is written; raises the first error met.
  void Finish();

 private:
  struct TJob {
    std::size_t Turn = 0;
    std::size_t Block = 0;
    bool Unchanged = false;
    TFrame Frame;
  };

  void Encode();
  void Process(TJob& job, std::vector<std::uint8_t>& bytes);
  // Writes the job's file when its turn comes.
  void WriteInTurn(TJob& job, std::vector<std::uint8_t>& bytes);
  void Fail(std::exception_ptr error);

  std::string FFolder;
  std::size_t FLimit;
  std::mutex FMutex;
  std::condition_variable FChanged;
  std::deque<TJob> FQueue;
  std::vector<TFrame> FSpare;  // frames' storage, used again
  std::size_t FGiven = 0;      // turns handed out
  std::size_t FWritten = 0;    // turns done, in order
  std::exception_ptr FError;
  bool FStopping = false;
  // The last file's bytes; only the thread whose turn it is touches them.
  std::vector<std::uint8_t> FLastFile;
  std::vector<std::uint8_t> FCallerBytes;  // the caller's, when it lends a hand
  std::vector<std::jthread> FEncoders;
};

}  // namespace kivo
