#!/usr/bin/env bash
# The player as a package installs it, run from the unpacked package with
# the source and build trees out of reach; a copy with parts of it missing;
# an install to another prefix; the manual page, desktop entry and shell
# completion it carries.
#   installed-player-test.sh SOURCE_DIR BUILD_DIR SCRATCH CASE
set -uo pipefail
source_dir=$1 build=$2 scratch=$3 case=$4
root=$scratch/root
work=$(mktemp -d)
trap 'chmod -R u+rwX "$work"; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime DBUS_SESSION_BUS_ADDRESS=
mkdir -p "$XDG_RUNTIME_DIR"

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_status() {  # STATUS COMMAND...: runs it, its standard error in $work/err
  local want=$1; shift
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" -eq "$want" ] || fail "$* ended with $got, not $want: $(cat "$work/err")"
}
expect_error() { grep -qF -- "$1" "$work/err" || fail "no '$1' in: $(cat "$work/err")"; }
render() { "$1" render --home "$work/home-$2" --block 100 --png "$work/$2.png"; }
render_hidden() { hidden "$1" render --home "$work/home-$2" --block 100 --png "$work/$2.png"; }

# Runs the command with the source and build trees hidden under empty
# folders, where the kernel lets this user make a mount namespace.
hidden() {
  if unshare --mount --map-root-user true 2>/dev/null; then
    unshare --mount --map-root-user sh -c \
      'mount -t tmpfs none "$0" && exec "$@"' "$source_dir" "$@"
  else
    "$@"
  fi
}

case $case in
  plugin-folder-missing)
    cp -a "$root" "$work/copy"
    rm -rf "$work/copy/usr/lib/kolmira"
    # The loader stops the player before it runs: the platform library the
    # plug-in shares with it is in that folder too.
    expect_status 127 "$work/copy/usr/bin/kivo" render --home "$work/h" --png "$work/x.png"
    expect_error "libkivoplatform.so"
    [ ! -e "$work/x.png" ] || fail "a picture was written"
    ;;
  plugin-missing)
    cp -a "$root" "$work/copy"
    rm "$work/copy/usr/lib/kolmira/kolmira.so"
    expect_status 1 "$work/copy/usr/bin/kivo" render --home "$work/h" --png "$work/x.png"
    expect_error "the plug-in $work/copy/usr/lib/kolmira/kolmira.so is missing"
    expect_error "--plugin"
    [ ! -e "$work/x.png" ] || fail "a picture was written"
    ;;
  plugin-nowhere)
    expect_status 3 "$root/usr/bin/kivo" render --home "$work/h" --block 5 \
      --plugin "$work/nowhere/kolmira.so" --png "$work/x.png"
    expect_error "cannot load the plug-in: $work/nowhere/kolmira.so"
    ;;
  relocated)
    DESTDIR=$work/dest cmake --install "$build" --prefix /opt/elsewhere >/dev/null ||
      fail "cmake --install"
    [ -z "$(find "$work/dest" -path "$work/dest/opt/elsewhere" -prune -o -print | sed 1d |
            grep -v "^$work/dest/opt$")" ] || fail "files outside the prefix"
    expect_status 0 render_hidden "$work/dest/opt/elsewhere/bin/kivo" moved
    expect_status 0 render "$build/player/kivo" built
    cmp -s "$work/moved.png" "$work/built.png" || fail "the relocated render differs"
    ;;
  same-as-build-tree)
    expect_status 0 render_hidden "$root/usr/bin/kivo" installed
    expect_status 0 render "$build/player/kivo" built
    cmp -s "$work/installed.png" "$work/built.png" || fail "the installed render differs"
    hidden "$root/usr/bin/kivo" levels --demo >"$work/installed.jsonl" || fail "levels"
    "$build/player/kivo" levels --demo >"$work/built.jsonl"
    cmp -s "$work/installed.jsonl" "$work/built.jsonl" || fail "the installed levels differ"
    hidden "$root/usr/bin/kivo" --version | grep -qE '^kivo [0-9]+\.[0-9]+\.[0-9]+' ||
      fail "--version"
    if grep -rlF "$source_dir" "$root" >/dev/null; then fail "a file names the source tree"; fi
    ;;
  manual-page)
    MANWIDTH=100 man -l "$root/usr/share/man/man1/kivo.1.gz" >"$work/man" 2>"$work/err" ||
      fail "man -l: $(cat "$work/err")"
    for section in "KIVO LEVELS" "KIVO DEVICES" "KIVO RENDER" "KIVO PLAY" "KIVO REMOTE"; do
      grep -q "^$section" "$work/man" || fail "no section $section"
    done
    # Every option each command's --help lists is in its section.
    # Each section is cut out once: a `grep -q` that stops reading early
    # would end the cutting with SIGPIPE, which pipefail counts as a miss.
    for command in levels devices render play; do
      sed -n "/^KIVO ${command^^}/,/^KIVO [A-Z]* *$/p" "$work/man" >"$work/section"
      for option in $("$build/player/kivo" $command --help | grep -oE '^ +(-h,)?--[a-z-]+' |
                      sed 's/^ *-h,//'); do
        grep -qF -- "$option" "$work/section" || fail "the manual has no $option for $command"
      done
    done
    ;;
  desktop-entry)
    desktop-file-validate "$root/usr/share/applications/kolmira.desktop" ||
      fail "desktop-file-validate"
    grep -q '^Exec=.*kivo play --view window --capture' \
      "$root/usr/share/applications/kolmira.desktop" || fail "Exec"
    [ -s "$root/usr/share/icons/hicolor/128x128/apps/kolmira.png" ] || fail "no icon"
    ;;
  completion)
    script=$root/usr/share/bash-completion/completions/kivo
    bash -n "$script" || fail "bash -n"
    complete() {
      bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _kivo
               printf "%s\n" "${COMPREPLY[@]}"' _ "$script" "$@"
    }
    [ "$(complete kivo pl)" = play ] || fail "kivo pl<TAB> gives $(complete kivo pl)"
    [ "$(complete kivo play --view '' | tr '\n' ' ')" = "window terminal none " ] ||
      fail "--view values"
    touch "$work/song.wav"
    complete kivo play "$work/so" | grep -qxF "$work/song.wav" || fail "no file completed"
    for command in levels devices render play remote; do
      known=$(complete kivo $command -)
      for option in $("$build/player/kivo" $command --help | grep -oE '^ +(-h,)?--[a-z-]+' |
                      sed 's/^ *-h,//'); do
        grep -qxF -- "$option" <<<"$known" || fail "completion lacks $command $option"
      done
    done
    if command -v zsh >/dev/null; then
      zsh -n "$root/usr/share/zsh/vendor-completions/_kivo" || fail "zsh -n"
    fi
    ;;
  lintian)
    command -v lintian >/dev/null || { echo "lintian is not installed"; exit 0; }
    lintian --fail-on error "$scratch"/kolmira_*_amd64.deb || fail "lintian errors"
    ;;
  *) fail "no case $case" ;;
esac
