/* Runs a Windows program and answers its first ZIVRO_gets dialog as a user
 * would: types ANSWER into the line and presses Okay. Exits with the
 * program's status, or 2 when it cannot start it, no dialog shows within
 * 30 seconds or the program does not end within 30 more.
 * Usage: answer-dialog PROGRAM ANSWER */
#include <stdio.h>
#include <windows.h>

/* The dialog's title and the ids of its line and of its Okay button
 * (package/text/line_input.cpp). */
#define DIALOG_TITLE "ZIVRO_gets"
#define LINE_ID 102
#define OKAY_ID 101

int main(int argc, char** argv) {
  STARTUPINFOA startup;
  PROCESS_INFORMATION process;
  HWND dialog = NULL;
  DWORD status = 2;
  int attempt;

  if (argc != 3) {
    fprintf(stderr, "usage: answer-dialog PROGRAM ANSWER\n");
    return 2;
  }
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  if (!CreateProcessA(argv[1], NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    fprintf(stderr, "answer-dialog: cannot start %s (error %lu)\n", argv[1], GetLastError());
    return 2;
  }
  for (attempt = 0; attempt < 3000 && !dialog; ++attempt) {
    HWND candidate = FindWindowA(NULL, DIALOG_TITLE);
    if (candidate && IsWindowVisible(candidate)) {
      dialog = candidate;
    } else if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0) {
      break;
    }
  }
  if (!dialog) {
    fprintf(stderr, "answer-dialog: %s showed no %s dialog\n", argv[1], DIALOG_TITLE);
    TerminateProcess(process.hProcess, 2);
  } else {
    SetDlgItemTextA(dialog, LINE_ID, argv[2]);
    PostMessageA(dialog, WM_COMMAND, OKAY_ID, 0);
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &status);
    } else {
      fprintf(stderr, "answer-dialog: %s did not end after the answer\n", argv[1]);
      TerminateProcess(process.hProcess, 2);
    }
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return (int)status;
}
