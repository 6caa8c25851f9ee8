// make_kivo_manual FOLDER: writes kivo.1, the bash completion "kivo" and the
// zsh completion "_kivo" into FOLDER, all made from kivo's own option
// tables. Run at build time, so that none of them can drift from --help.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "player/CommandLine.h"
#include "player/manual/ManualPage.h"
#include "player/manual/ShellCompletion.h"

namespace {

constexpr const char* kTail = R"(.SH FILES
.TP
\fI$XDG_CONFIG_HOME/kivo\fR (default \fI~/.config/kivo\fR)
The home: the settings file \fIkivo.ini\fR, the registry files, and \fIskins/\fR, whose
folders that hold a \fIdesign.ini\fR join the default skins.
.TP
\fI<prefix>/lib/kolmira/\fR
The plug-in \fIkolmira.so\fR and the platform library the player and the plug-in share,
found from where \fBkivo\fR lies.
.TP
\fI<prefix>/share/kolmira/skins/\fR
The default skins: bars, picture and frames.
.SH ENVIRONMENT
.TP
.B KIVO_HOME
The home folder, when \fB\-\-home\fR is not given.
.TP
.B KOLMIRA_ANALYSIS_PATH
scalar, portable, sse2, avx2 or avx512: the analysis path to use instead of the fastest one.
.SH EXIT STATUS
0 when the run ends by itself, 1 when it fails, 2 for a refused command line, 3 for a
render without the plug-in in its picture, 128 plus the signal's number when SIGINT,
SIGTERM or SIGHUP ended it.
)";

bool Write(const std::filesystem::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  file.close();
  if (file) return true;
  std::fprintf(stderr, "make_kivo_manual: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_kivo_manual FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const kivo::TCommandLine line;
  const kivo::TManualPageHead head{"kivo", kivo::KivoVersion(),
                                   "a stand-in audio player that drives the Kolmira spectrum "
                                   "analyser",
                                   kTail};
  const bool written = Write(folder / "kivo.1", kivo::ManualPage(line.App, head)) &&
                       Write(folder / "kivo", kivo::BashCompletion(line.App)) &&
                       Write(folder / "_kivo", kivo::ZshCompletion(line.App));
  return written ? 0 : 1;
}
