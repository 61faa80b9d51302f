# shellcheck shell=bash
# A desktop program's --play FILE (sourced by desktop_e2e.sh, after check.sh
# and x_session.sh): a script of the car game played from the first event
# gives the frames the headless runner's --play gives, every drawing call of
# each logged from the first frame, and ends on the same canvas. A script
# that cannot be played, and --play with --record, are refused before the
# run.
#
# play_option_scenario BUILD_DIR SCRIPT: run in the scratch directory.
play_option_scenario() {
  local build=$1 script=$2 window status
  "$build/tests/played-scene-headless" --play "$script" --log play-runner.log --png play-runner.png
  "$build/tests/played-scene" --play "$script" --log play-desktop.log &
  APP_PID=$!
  wait_window window "ZIVRO Graphics"
  check "the desktop ends on the runner's canvas" \
    shot_until "$window" play-desktop.png 20 same_client play-desktop.png play-runner.png
  # The log is whole once it holds as many lines as the runner's.
  wait_for_lines play-desktop.log '' "$(wc -l < play-runner.log)"
  keys "$window" alt+F4
  wait "$APP_PID"
  APP_PID=
  check "--play logs every drawing call of every frame as the runner does ($(wc -l < play-runner.log) lines)" \
    cmp play-desktop.log play-runner.log

  # refused CASE WANTED ARGUMENTS...: the game exits with status 2 and one
  # line on stderr holding WANTED, before it shows a window.
  refused() {
    local name=$1 wanted=$2
    shift 2
    timeout 20 "$build/game/cargame" "$@" > refused.out 2> refused.err
    status=$?
    check "--play refuses $name: status 2 and one line ($status, $(head -n 1 refused.err))" \
      test "$status" -eq 2 -a "$(wc -l < refused.err)" -eq 1 -a ! -s refused.out -a \
      -n "$(grep -F -- "$wanted" refused.err)"
  }
  mkdir -p a-directory
  refused "a missing file" "cannot read missing.scr: No such file or directory" --play missing.scr
  refused "a directory" "cannot read a-directory: not a regular file" --play a-directory
  refused "--record beside it" \
    "--record and --play exclude each other: a playback's events are not recorded" \
    --record --play "$script"
}
