"""What the program's window looks like from outside, as its forms lay it out.

Everything here reads a screenshot of the window (coordinates relative to its top-left corner). The
window is black with a white screen page in its middle (the screen stack); a title area of 70 pixels,
a spacer of 5 and an empty band of 42 lie above the page, the bottom line (40) and the status bar
below it, and a spacer of 10 on either side. Push buttons carry the application style sheet's
one-pixel border (grey, or orange under the pointer, or green while pressed), which is how they are
found; the window buttons are the image buttons at the right of the title area.
"""

from x_session import Failure, Rect

WHITE = (255, 255, 255)
BUTTON_BORDERS = {(0x99, 0x99, 0x99), (0xA3, 0x44, 0x07), (0x65, 0x8F, 0x2E)}
SUMMARY_GREEN = (0, 128, 0)  # the summary's <font color='Green'>
STATUS_BAR_GREY = (209, 209, 209)  # the log selection screen's message bar


def is_dark(c):
    return max(c) < 100


def is_black(c):
    return max(c) <= 24


def find_page(im):
    """The white screen page: the non-black span through the middle of the window."""
    mid_y = im.height // 2
    xs = [x for x in range(im.width) if not is_black(im.pixel(x, mid_y))]
    if not xs:
        raise Failure("no screen page in the window")
    left, right = xs[0], xs[-1]
    # Only the run through the middle: the bottom line's text lies below, outside the page.
    top = bottom = mid_y
    while top > 0 and not is_black(im.pixel(left + 1, top - 1)):
        top -= 1
    while bottom < im.height - 1 and not is_black(im.pixel(left + 1, bottom + 1)):
        bottom += 1
    return Rect(left, top, right - left + 1, bottom - top + 1)


def buttons(im, band, min_width=40):
    """Push buttons whose top and bottom borders lie inside band, left to right."""
    runs = {}
    for y in range(max(0, band.y), min(im.height, band.bottom)):
        x = max(0, band.x)
        end = min(im.width, band.right)
        while x < end:
            if im.pixel(x, y) in BUTTON_BORDERS:
                start = x
                while x < end and im.pixel(x, y) in BUTTON_BORDERS:
                    x += 1
                if x - start >= min_width:
                    runs.setdefault((start, x), []).append(y)
            else:
                x += 1
    found = []
    for (start, stop), ys in sorted(runs.items()):
        if max(ys) - min(ys) >= 10:  # a top and a bottom border, not a lone line
            found.append(Rect(start, min(ys), stop - start, max(ys) - min(ys) + 1))
    return found


def column_clusters(im, area, ink, min_gap=1):
    """Runs of columns inside area that hold a pixel ink takes, separated by at least min_gap
    columns without one: (first column, last column) each."""
    cols = [x for x in range(area.x, area.right)
            if any(ink(im.pixel(x, y)) for y in range(area.y, area.bottom))]
    clusters = []
    for x in cols:
        if clusters and x - clusters[-1][1] <= min_gap:
            clusters[-1][1] = x
        else:
            clusters.append([x, x])
    return [tuple(c) for c in clusters]


def text_lines(im, area):
    """Number of lines of dark text inside area (bands of rows with dark pixels)."""
    rows = [y for y in range(area.y, area.bottom)
            if any(is_dark(im.pixel(x, y)) for x in range(area.x, area.right))]
    lines = 0
    previous = None
    for y in rows:
        if previous is None or y - previous > 1:
            lines += 1
        previous = y
    return lines


class Layout:
    """Where the screens put their widgets, measured once on the main screen."""

    def __init__(self, im):
        self.window = Rect(0, 0, im.width, im.height)
        self.page = find_page(im)

    def form_differences(self):
        """Ways in which the page's place differs from what the main window's form gives."""
        w, h, p = self.window.w, self.window.h, self.page
        problems = []
        if not 8 <= p.x <= 14 or not 8 <= w - p.right <= 14:
            problems.append(f"page {p} is not 10 pixels from the window's sides")
        if not 113 <= p.y <= 121:
            problems.append(f"page {p} does not start below the title area and band (117)")
        if not 40 <= h - p.bottom <= 56:
            problems.append(f"page {p} does not end above the bottom line")
        return problems

    def top_band(self):
        # The screens' first rows: the main screen's past-logs bar, the test screen's options line,
        # the log selection screen's interval line.
        p = self.page
        return Rect(p.x, p.y, p.w, 80)

    def bottom_band(self):
        # Every screen's last row: a frame 40 high holding its buttons at the right.
        p = self.page
        return Rect(p.x, p.bottom - 60, p.w, 60)

    def top_buttons(self, im):
        return buttons(im, self.top_band())

    def bottom_buttons(self, im):
        return buttons(im, self.bottom_band())

    def module_buttons(self, im):
        """The main screen's module buttons: picture over name, in a grid below the past-logs bar,
        each separated from the next by white space; row 0 only."""
        bar = self.top_buttons(im)
        if len(bar) != 1:
            return []
        top = bar[0].bottom + 2
        area = Rect(self.page.x + 2, top, self.page.w - 4, 90)
        return column_clusters(im, area, lambda c: c != WHITE, 6)

    def summary_area(self, im):
        """Left of the progress screen's bottom buttons: the summary's frame."""
        bottom = self.bottom_buttons(im)
        band = self.bottom_band()
        right = bottom[0].x if bottom else band.right
        return Rect(band.x, band.y, right - band.x, band.h)

    def content_area(self, top_offset):
        """The page between its first rows and its bottom band."""
        p = self.page
        return Rect(p.x + 4, p.y + top_offset, p.w - 8, self.bottom_band().y - p.y - top_offset)

    def window_buttons(self, im):
        """The image buttons at the right of the title area, left to right (minimize, maximize or
        restore, close)."""
        area = Rect(self.window.w // 2, 2, self.window.w // 2 - 2, 66)
        return column_clusters(im, area, lambda c: not is_black(c), 1)
