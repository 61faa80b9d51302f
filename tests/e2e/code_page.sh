# shellcheck shell=bash
# Typed characters reach the package as bytes of the Windows code page
# (sourced by desktop_e2e.sh, after check.sh and x_session.sh): "€", which
# Latin-1 lacks, is byte 0x80 in the line-input dialog's answer and as a
# key's character; a character the code page lacks is '?' in the answer
# and no character as a key.
#
# code_page_scenario EXAMPLES_DIR: run in the scratch directory.
code_page_scenario() {
  local examples=$1 dialog window answers typed spare
  rm -f ZIVRO.SCR
  # The characters get keys of their own before the program starts: xdotool
  # would remap a key for each, racing the program's reading of the keymap.
  spare=$(xmodmap -pke | awk 'NF == 3 {print $2}' | tail -3 | tr '\n' ' ')
  read -r -a spare <<< "$spare"
  xmodmap -e "keycode ${spare[0]} = eacute" -e "keycode ${spare[1]} = EuroSign" \
    -e "keycode ${spare[2]} = Greek_OMEGA"
  "$examples/greeting" --record --log code-page.log &
  APP_PID=$!
  wait_window dialog "ZIVRO_gets"
  xdotool windowactivate --sync "$dialog" > /dev/null 2>&1
  xdotool key --delay 50 eacute EuroSign Greek_OMEGA Return
  wait_for_lines ZIVRO.SCR '^ZIVRO_GETS\(' 1
  wait_window dialog "ZIVRO_gets"
  xdotool windowactivate --sync "$dialog" > /dev/null 2>&1
  xdotool key Return # an empty line ends the questions
  wait_for_lines ZIVRO.SCR '^ZIVRO_GETS\(' 2
  wait_window window "ZIVRO Graphics"
  xdotool windowactivate --sync "$window" > /dev/null 2>&1
  # The x after them shows that every key before it has been taken.
  xdotool key --delay 50 EuroSign Greek_OMEGA x
  wait_for_lines ZIVRO.SCR '^ZIVRO_KBD\(120\)' 1
  keys "$window" alt+F4
  wait "$APP_PID"
  APP_PID=
  answers=$(grep -E '^ZIVRO_GETS\(' ZIVRO.SCR 2> /dev/null | tr -d '\r' | tr '\n' ' ')
  check "é€Ω typed into the dialog is answered as bytes E9 80 and '?' ($answers)" \
    test "$answers" = 'ZIVRO_GETS(\xE9\x80?); ZIVRO_GETS(); '
  typed=$(grep -E '^ZIVRO_KBD\(' ZIVRO.SCR 2> /dev/null | tr -d '\r' | tr '\n' ' ')
  check "€Ω typed into the graphics window makes the character 0x80 alone ($typed)" \
    test "$typed" = "ZIVRO_KBD(-128); ZIVRO_KBD(120); "
  "$examples/greeting-headless" --play ZIVRO.SCR --log code-page-played.log
  check "the answer prints those bytes, and the same replayed headless" \
    cmp <(grep -a '^Hello' code-page.log code-page-played.log) \
    <(printf 'code-page.log:Hello, \xE9\x80?!\ncode-page-played.log:Hello, \xE9\x80?!\n')
}
