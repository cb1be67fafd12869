# Which Windows build this machine can run, and the Wine that runs it. Sourced by wine-run, test,
# demo and bench; expects $top (the source tree).
#   kestrion_runs32        true when this machine executes 32-bit x86 code natively
#   kestrion_suites        the builds whose Windows tests run here (KESTRION_SUITE overrides)
#   kestrion_runnable      the build to use where one is enough: win32 where it runs, else win64
#   kestrion_pe_arch FILE  win32 or win64 for a PE program file, nothing for anything else

kestrion_runs32() {
  # A small host program switches to the 32-bit code segment and back (scripts/lib/runs32.c):
  # no 32-bit file is executed, so an emulator registered in binfmt_misc cannot answer for it.
  local dir=${KESTRION_HOST_TOOLS:-$top/build/host-tools}
  local bin=$dir/runs32 src=$top/scripts/lib/runs32.c
  if [ ! -x "$bin" ] || [ "$src" -nt "$bin" ]; then
    mkdir -p "$dir"
    cc -O1 -o "$bin.new" "$src" && mv "$bin.new" "$bin"
  fi
  timeout 10 "$bin"
}

kestrion_suites() {
  case ${KESTRION_SUITE:-} in
    win32|win64) echo "$KESTRION_SUITE" ;;
    both) echo "win32 win64" ;;
    '') if kestrion_runs32; then echo "win32 win64"; else echo win64; fi ;;
    *) echo "KESTRION_SUITE must be win32, win64 or both, not '$KESTRION_SUITE'" >&2; return 2 ;;
  esac
}

kestrion_runnable() {
  case ${KESTRION_SUITE:-} in
    win32|win64) echo "$KESTRION_SUITE" ;;
    *) if kestrion_runs32; then echo win32; else echo win64; fi ;;
  esac
}

kestrion_pe_arch() {
  local file=$1 pe machine
  [ -f "$file" ] || return 0
  [ "$(head -c 2 "$file" 2>/dev/null)" = MZ ] || return 0
  pe=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$file" | tr -d ' ')
  case $machine in
    014c) echo win32 ;;
    8664) echo win64 ;;
  esac
}
