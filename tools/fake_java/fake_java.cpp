// A stand-in for java.exe and javaw.exe (one source, console and GUI
// builds), so launch code can be tested without a Java runtime.
//
// It follows a script read from its own folder: "<exe name>.txt" (java.txt,
// javaw.txt) when present, else "fake_java.txt". One directive per line;
// blank lines and lines starting with "#" are skipped:
//
//   record=<file>        append a start record (command line, working folder,
//                        environment; format in StartRecord.h) to <file>;
//                        written first, wherever the line stands
//   stdout=<text>        write <text> and CR LF to standard output
//   stderr=<text>        the same on standard error
//   stdout.lines=<n>|<text>   write <text> and CR LF <n> times, one write
//                        each, as a game logging line by line
//   stdout.raw=<text>    write <text> alone, so a line can be split across
//   stderr.raw=<text>    writes; add line ends yourself with \r\n
//   sleep=<ms>           pause (pumping messages once a window exists)
//   waitfile=<file>      pause until <file> exists (at most two minutes)
//   window=1             create a hidden window and pump its messages from
//                        now on, so WaitForInputIdle returns
//   window=show          the same window (made now if there is none), shown,
//                        as a game shows its window once it has loaded;
//                        it lies left of the screen, out of the tests' way
//   writefile=<file>|<text>   create <file> (and its folders) holding <text>
//   exit=<code>          stop now with <code> (decimal, 0x hex, -1 and the
//                        like); the end of the script exits with 0
//
// Texts take \\ \n \r \t and \xHH (one raw byte, e.g. a GBK character);
// everything else is written as the script's UTF-8 bytes. Relative record
// and waitfile paths start at the script's folder, writefile paths at the
// working folder (where the game writes its crash reports). Output goes
// straight to the inherited handles, unbuffered, also from the GUI build.
// An unknown key writes a message to standard error and exits with 99.
#include <windows.h>

#include "tools/fake_common/FakeRunner.h"
#include "tools/fake_common/FakeScript.h"

int main() {
    const fake_tool::FakeScript script = fake_tool::FakeScript::LoadBesideExecutable(L"fake_java.txt");
    fake_tool::FakeRunner runner(script);
    runner.WriteRecords();
    ExitProcess(runner.Run(nullptr));
}
