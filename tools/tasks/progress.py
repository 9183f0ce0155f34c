"""The progress of a long run: what is done of the total, the rate, the time left, the
workers at hand and whatever the run adds (a match its score). On a terminal it is one line,
rewritten in place; elsewhere (a log, a pipe) a line a minute, so that a long run leaves a
record without a line for every item."""

import shutil
import sys
import time


def duration(seconds):
    seconds = int(round(seconds))
    return "%d:%02d:%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)


class Progress:
    LOG_INTERVAL = 60.0     # seconds between lines on what is no terminal
    REDRAW_INTERVAL = 0.25  # seconds between redraws of the terminal's line

    def __init__(self, total, unit, stream=None, clock=time.monotonic, terminal=None):
        self.total = total
        self.unit = unit
        self.stream = stream or sys.stderr
        self.clock = clock
        self.terminal = self.stream.isatty() if terminal is None else terminal
        self.start = clock()
        self.written = None     # when the last line went out
        self.shown = 0          # characters of the terminal's line on screen

    def text(self, done, workers=None, note=""):
        elapsed = self.clock() - self.start
        parts = ["%d/%d %s" % (done, self.total, self.unit)]
        if done and elapsed > 0:
            rate = done / elapsed
            parts.append("%.1f/min" % (60 * rate))
            parts.append("%s left" % duration((self.total - done) / rate))
        else:
            parts.append("%s elapsed" % duration(elapsed))
        if workers is not None:
            parts.append("waiting for workers" if workers == 0 else
                         "%d worker%s" % (workers, "" if workers == 1 else "s"))
        return ", ".join(parts) + ("; " + note if note else "")

    def update(self, done, workers=None, note=""):
        """Shows the state unless it was shown a moment ago (a minute ago off a terminal)."""
        now = self.clock()
        interval = self.REDRAW_INTERVAL if self.terminal else self.LOG_INTERVAL
        since = now - (self.written if self.written is not None else self.start)
        if since < interval and done < self.total:
            return
        self.written = now
        line = self.text(done, workers, note)
        if self.terminal:
            width = shutil.get_terminal_size().columns - 1
            line = line[:width]
            self.stream.write("\r" + line + " " * max(0, self.shown - len(line)))
            self.shown = len(line)
        else:
            self.stream.write(line + "\n")
        self.stream.flush()

    def clear(self):
        """Takes the terminal's line away, so that other output starts on a clean line."""
        if self.terminal and self.shown:
            self.stream.write("\r" + " " * self.shown + "\r")
            self.stream.flush()
            self.shown = 0
            self.written = None
