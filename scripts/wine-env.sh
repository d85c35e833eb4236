# Sourced by wine.sh and wine-stop.sh: the private Wine prefix of a build tree and the
# environment every Windows program of the project runs in.

wine_bin=/usr/lib/wine
wine_default_overrides="mscoree=d;mshtml=d;winemenubuilder.exe=d;winedbg.exe=d;winscard=n;felica_for_vb=n"

# The prefix for a program (or folder): CARDWEDGE_WINEPREFIX, else "wineprefix" in the build
# tree that holds it (the nearest folder with a CMakeCache.txt), else beside it.
wine_prefix_for() {
  if [ -n "${CARDWEDGE_WINEPREFIX:-}" ]; then
    echo "$CARDWEDGE_WINEPREFIX"
    return
  fi
  local start dir
  if [ -d "$1" ]; then start=$(cd "$1" && pwd); else start=$(cd "$(dirname "$1")" && pwd); fi
  dir=$start
  while [ "$dir" != / ]; do
    if [ -f "$dir/CMakeCache.txt" ]; then
      echo "$dir/wineprefix"
      return
    fi
    dir=$(dirname "$dir")
  done
  echo "$start/wineprefix"
}

# The defaults, except for DLLs the caller already chose a load order for.
wine_merged_overrides() {
  local caller=${WINEDLLOVERRIDES:-} merged=${WINEDLLOVERRIDES:-} entry name
  local -a entries
  IFS=';' read -r -a entries <<<"$wine_default_overrides"
  for entry in "${entries[@]}"; do
    name=${entry%%=*}
    if [[ ";,$caller" =~ [\;,]${name//./\\.}[,=] ]]; then continue; fi
    merged=${merged:+$merged;}$entry
  done
  echo "$merged"
}

# The machine field of a Windows program's PE header, in hexadecimal (14c: i386, 8664: x86-64);
# empty for any other file.
wine_pe_machine() {
  [ -f "$1" ] || return 0
  local offset
  [ "$(head -c 2 "$1")" = MZ ] || return 0
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  [ "$(od -An -c -j"$offset" -N4 "$1" | tr -d ' ')" = 'PE\0\0' ] || return 0
  printf '%x\n' "$(od -An -tu2 -j$((offset + 4)) -N2 "$1" | tr -d ' ')"
}

# The kind of prefix: one that exists keeps the kind it was made as; a new one is made 32-bit
# (win32) for a 32-bit program, else 64-bit (win64), which runs 32-bit programs too (WoW64).
wine_arch_for() {
  local made
  [ -f "$1/.cardwedge-ready" ] && made=$(sed -n 's/^#arch=//p' "$1/system.reg")
  if [ -n "${made:-}" ]; then
    echo "$made"
  elif [ "$(wine_pe_machine "${2:-}")" = 14c ]; then
    echo win32
  else
    echo win64
  fi
}

# Exports WINEPREFIX, WINEARCH, WINELOADER, WINEDEBUG and WINEDLLOVERRIDES, and sets wine_locale
# to the Japanese locale (ANSI code page 932) that Wine runs in: `env "${wine_locale[@]}" ...`.
# The loader is "wine" for a 32-bit program, "wine64" for a 64-bit one, else the prefix's own.
# The locale is compiled into the prefix, so the system needs none installed, and the shell
# itself never switches to it.
#   wine_export_env PREFIX [PROGRAM]
wine_export_env() {
  export WINEPREFIX=$1
  WINEARCH=$(wine_arch_for "$1" "${2:-}")
  export WINEARCH
  case "$(wine_pe_machine "${2:-}"):$WINEARCH" in
    14c:* | *:win32) export WINELOADER=$wine_bin/wine ;;
    *) export WINELOADER=$wine_bin/wine64 ;;
  esac
  export WINEDEBUG=${WINEDEBUG:--all}
  WINEDLLOVERRIDES=$(wine_merged_overrides)
  export WINEDLLOVERRIDES
  wine_locale_dir=$WINEPREFIX/unix-locale
  wine_locale=("LOCPATH=$wine_locale_dir" LC_ALL=ja_JP.UTF-8)
}

# Creates the prefix once, of the kind WINEARCH names; parallel callers wait for the first one. A
# prefix left half made by an interrupted run is made again.
wine_ensure_prefix() {
  local ready=$WINEPREFIX/.cardwedge-ready
  if [ "$WINEARCH:$WINELOADER" = "win32:$wine_bin/wine64" ]; then
    echo "wine: a 64-bit program cannot run in the 32-bit prefix $WINEPREFIX" >&2
    return 1
  fi
  [ -f "$ready" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$ready" ] && exit 0
    rm -rf "$WINEPREFIX"
    mkdir -p "$wine_locale_dir"
    localedef -i ja_JP -f UTF-8 "$wine_locale_dir/ja_JP.UTF-8" 9>&- ||
      { echo "wine: cannot compile the ja_JP.UTF-8 locale (package locales)" >&2; exit 1; }
    env -u DISPLAY "${wine_locale[@]}" "$WINELOADER" wineboot -i </dev/null >/dev/null 2>&1 9>&- ||
      { echo "wine: wineboot failed for $WINEPREFIX" >&2; exit 1; }
    # The registry is on disk once the server has gone.
    "$wine_bin/wineserver" -w 9>&-
    touch "$ready"
  ) 9>"$WINEPREFIX.lock"
}
