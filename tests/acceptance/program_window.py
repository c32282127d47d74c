"""What the program's window looks like from outside, as its forms lay it out.

Everything here reads a screenshot of the window (coordinates relative to its top-left corner). The
window is black with a white screen page in its middle (the screen stack); a title area of 70 pixels,
a spacer of 5 and an empty band of 42 lie above the page, the bottom line (40) and the status bar
below it, and a spacer of 10 on either side. The window buttons are the image buttons at the right of
the title area.
"""

from x_session import Failure, Rect


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

    def window_buttons(self, im):
        """The image buttons at the right of the title area, left to right (minimize, maximize or
        restore, close)."""
        area = Rect(self.window.w // 2, 2, self.window.w // 2 - 2, 66)
        return column_clusters(im, area, lambda c: not is_black(c), 1)
