// Track records, playlist files and lyrics files: what the player knows of
// the files it plays.
#pragma once

#include <string>
#include <vector>

#include "player/PlayerState.h"
#include "player/input/PlayListName.h"

namespace kivo {

// The track of an audio file: its full path, title and artist from the
// file's tags (the title defaults to the file name without extension) and
// its length. A file that cannot be read gets length 0.
TTrack MakeTrack(const std::string& path);
// A track that is no file: standard input (path "-") or the built-in demo
// (empty path).
TTrack MakeStreamTrack(std::string path, std::string title, std::int32_t lengthMs);

// The lines of the .lrc file beside an audio file (same name, extension
// ".lrc"), sorted by time; empty when there is none. A line
// "[mm:ss.xx]text" gives one timed line per time tag; tags that are no
// time ([ar:...], [ti:...]) and untagged lines are skipped.
std::vector<TLyricsLine> LoadLyricsBeside(const std::string& audioPath);
std::vector<TLyricsLine> ParseLyrics(const std::string& text);
// The index of the line sung at a position, or -1 before the first.
std::int32_t LyricsLineAt(const std::vector<TLyricsLine>& lines, std::int32_t positionMs);

// An M3U playlist: one path per line, relative ones taken from the
// playlist's folder; comment lines (starting with '#') skipped. Raises
// InputError when the file cannot be read.
std::vector<std::string> ReadPlayListFile(const std::string& path);
// The audio files of a folder (those whose extension libsndfile reads), in
// the order of their names; its subfolders are not looked into.
std::vector<std::string> AudioFilesInFolder(const std::string& folder);
// What one input of the command line plays: a playlist's entries, a
// folder's audio files, or the input itself. Missing entries stay, to be
// skipped when they are played. Raises InputError for a playlist that
// cannot be read.
std::vector<std::string> AudioPathsOfInput(const std::string& input);

// Writes "#EXTM3U" and, per track, "#EXTINF:seconds,title" and its path.
// Raises InputError when the file cannot be written.
void WritePlayListFile(const std::string& path, const std::vector<TTrack>& tracks);

}  // namespace kivo
