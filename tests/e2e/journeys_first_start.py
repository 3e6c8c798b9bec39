"""The first start without Java, on a screen wide enough that the notice is
wider than the main window (its text may take half the screen): at 96 and
at 144 DPI the whole notice shows, on the screen, over the main window's
shadow. Run on a 1920 x 1080 screen (tests/e2e/CMakeLists.txt)."""

from harness import check
from journeys import box_button, close_and_exit, main_window, settled


def first_start_without_java_shows_the_whole_notice(s):
    """The notice that no Java was found: wider than the main window and
    centred on it, inside the screen; its title bar shows across its whole
    width, and no dark strip of the main window's shadow lies anywhere over
    it, icon and button included (Xvfb shows a shadow as black)."""
    s.wine.quiet(["wine", "reg", "delete", r"HKLM\SOFTWARE\JavaSoft", "/f"])
    for dpi in (96, 144):
        s.use_dpi(dpi)
        f = s.factor
        screen = s.probe.capture(None, s.artifact("e2e-first-start-%d.png" % dpi), s.wine)
        launcher = s.start(s.folder("nojava%d" % dpi))
        main = main_window(s, launcher)
        notice = s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=15)
        # The main window's shadow follows its first frame: four strips of its own.
        s.probe.wait(lambda ws: len([w for w in ws if w["owner"] == main["hwnd"] and w["text"] == ""]) >= 4,
                     "the main window's shadow", 15)
        box, owner = notice["rect"], main["rect"]
        width, height = box[2] - box[0], box[3] - box[1]
        what = "the notice at %d DPI (%s, main window %s)" % (dpi, box, owner)
        check(width > owner[2] - owner[0], "%s: not wider than the main window, so this shows nothing" % what)
        check(box[0] >= 0 and box[1] >= 0 and box[2] <= screen["width"] and box[3] <= screen["height"],
              "%s: not on the %dx%d screen" % (what, screen["width"], screen["height"]))
        check(abs((box[0] + box[2]) - (owner[0] + owner[2])) <= 1, "%s: not centred on the main window" % what)
        # The title bar's row above the caption, from edge to edge, in its own
        # colour, and nothing black anywhere, once the notice has painted.
        def look():
            row = s.probe.call("pixels", notice["hwnd"], 0, int(3 * f), width, 1)["rows"][0]
            dark = s.probe.call("count", notice["hwnd"], 0, 0, width, height, "000000", 12)["count"]
            return {row[i:i + 6] for i in range(0, len(row), 6)}, dark

        colours, dark = settled(look, lambda seen: len(seen[0]) == 1 and seen[1] == 0)
        s.probe.capture(notice, s.artifact("e2e-first-start-notice-%d.png" % dpi), s.wine)
        check(len(colours) == 1, "%s: its title bar shows %s" % (what, sorted(colours)))
        check(dark == 0, "%s: %d black pixels over it" % (what, dark))
        box_button(s, notice, 0, 1)
        s.probe.wait_gone(notice["hwnd"])
        # Then the notice that no game was found; the main window stays.
        s.probe.close_and_wait(s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=15))
        close_and_exit(s, launcher, main)


JOURNEYS = [first_start_without_java_shows_the_whole_notice]
