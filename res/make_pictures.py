#!/usr/bin/python3
"""Draws every picture of Corvale: button faces, window skin, side-panel
picture and application icon.

Run from anywhere with `/usr/bin/python3 res/make_pictures.py` (needs Pillow
and the DejaVu fonts). The output is deterministic and is committed:

    res/png/<id>.png        button faces, RGBA
    res/bmp/<id>.png        skin bitmaps and side-panel picture, RGB
    res/icon/271-<n>.png    application icon, RGBA, n = 16 ... 256
    res/icon/corvale.ico    the same sizes in one Windows icon file

Everything is drawn with vectors at four times the final size and reduced
with a Lanczos filter, so edges and captions come out anti-aliased.
"""

import io
import math
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
SS = 4  # supersampling factor


# ---------------------------------------------------------------------------
# Drawing helpers. Coordinates are in final pixels (floats allowed); a pixel
# i covers [i, i + 1).

def font(name, px):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), round(px * SS))


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(round(lerp(a, b, t)) for a, b in zip(c1, c2))


def stops_colour(stops, t):
    """Colour at t in [0, 1] of a list of (position, colour) stops."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 1.0)
    return stops[-1][1]


class Canvas:
    """An RGBA picture drawn at SS times its size."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))

    # --- masks -----------------------------------------------------------
    def mask(self):
        return Image.new("L", self.img.size, 0)

    @staticmethod
    def box(x0, y0, x1, y1):
        return [round(x0 * SS), round(y0 * SS), round(x1 * SS) - 1, round(y1 * SS) - 1]

    def rrect_mask(self, x0, y0, x1, y1, r):
        m = self.mask()
        ImageDraw.Draw(m).rounded_rectangle(self.box(x0, y0, x1, y1), radius=round(r * SS), fill=255)
        return m

    def ellipse_mask(self, cx, cy, rx, ry=None):
        ry = rx if ry is None else ry
        m = self.mask()
        ImageDraw.Draw(m).ellipse(self.box(cx - rx, cy - ry, cx + rx, cy + ry), fill=255)
        return m

    def poly_mask(self, pts):
        m = self.mask()
        ImageDraw.Draw(m).polygon([(x * SS, y * SS) for x, y in pts], fill=255)
        return m

    def rect_mask(self, x0, y0, x1, y1):
        m = self.mask()
        ImageDraw.Draw(m).rectangle(self.box(x0, y0, x1, y1), fill=255)
        return m

    # --- filling -----------------------------------------------------------
    def vgradient(self, y0, y1, stops):
        """A full-size RGBA layer, colour varying from row y0 to row y1."""
        layer = Image.new("RGBA", self.img.size)
        d = ImageDraw.Draw(layer)
        top, bottom = y0 * SS, y1 * SS
        for row in range(self.img.size[1]):
            t = 0.0 if bottom <= top else min(max((row + 0.5 - top) / (bottom - top), 0.0), 1.0)
            c = stops_colour(stops, t)
            d.line([(0, row), (self.img.size[0], row)], fill=c if len(c) == 4 else c + (255,))
        return layer

    def fill(self, mask, paint, opacity=1.0):
        """Composites `paint` (a colour or a full-size RGBA layer) through `mask`."""
        if isinstance(paint, tuple):
            colour = paint if len(paint) == 4 else paint + (255,)
            layer = Image.new("RGBA", self.img.size, colour)
        else:
            layer = paint.copy()
        alpha = ImageChops.multiply(layer.getchannel("A"), mask)
        if opacity != 1.0:
            alpha = alpha.point(lambda v: round(v * opacity))
        layer.putalpha(alpha)
        self.img = Image.alpha_composite(self.img, layer)

    def line_mask(self, pts, width, caps=True):
        m = self.mask()
        d = ImageDraw.Draw(m)
        p = [(x * SS, y * SS) for x, y in pts]
        d.line(p, fill=255, width=round(width * SS), joint="curve")
        if caps:
            r = width * SS / 2
            for x, y in (p[0], p[-1]):
                d.ellipse([x - r, y - r, x + r, y + r], fill=255)
        return m

    def arc_mask(self, cx, cy, r, start, end, width):
        m = self.mask()
        d = ImageDraw.Draw(m)
        rr = r + width / 2
        d.arc(self.box(cx - rr, cy - rr, cx + rr, cy + rr), start, end, fill=255, width=round(width * SS))
        return m

    def text_mask(self, text, fnt, x, baseline, anchor="ls"):
        m = self.mask()
        ImageDraw.Draw(m).text((x * SS, baseline * SS), text, font=fnt, fill=255, anchor=anchor)
        return m

    def glow(self, mask, radius, colour, opacity):
        blurred = mask.filter(ImageFilter.GaussianBlur(radius * SS))
        # Spread the blur a little further than a plain Gaussian would.
        blurred = blurred.point(lambda v: min(255, v * 2))
        self.fill(blurred, colour, opacity)

    def result(self, resample=Image.Resampling.LANCZOS):
        return self.img.resize((self.w, self.h), resample)


def union(*masks):
    out = masks[0]
    for m in masks[1:]:
        out = ImageChops.lighter(out, m)
    return out


def subtract(a, b):
    return ImageChops.subtract(a, b)


def intersect(a, b):
    return ImageChops.multiply(a, b)


def shifted(mask, dx, dy):
    return ImageChops.offset(mask, round(dx * SS), round(dy * SS))


def cap_height(fnt):
    box = fnt.getbbox("H", anchor="ls")
    return -box[1] / SS


def text_width(fnt, text):
    return fnt.getlength(text) / SS


def plus_points(cx, cy, arm, half):
    """Outline of a plus sign: arm = half the total length, half = half the bar thickness."""
    return [(cx - half, cy - arm), (cx + half, cy - arm), (cx + half, cy - half), (cx + arm, cy - half),
            (cx + arm, cy + half), (cx + half, cy + half), (cx + half, cy + arm), (cx - half, cy + arm),
            (cx - half, cy + half), (cx - arm, cy + half), (cx - arm, cy - half), (cx - half, cy - half)]


def grown(mask, px):
    """The mask grown by px final pixels (for outlines)."""
    size = 2 * round(px * SS) + 1
    return mask.filter(ImageFilter.MaxFilter(size))


# ---------------------------------------------------------------------------
# Icons drawn inside the buttons. (ox, oy) is the top-left corner of a
# 24 x 24 box.

INK_BLUE = (33, 104, 205)


def icon_new_file(cv, ox, oy):
    # sheet with a folded corner
    x0, y0, x1, y1, fold = ox + 3.5, oy + 1, ox + 18.5, oy + 22, 5
    sheet = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    outline = cv.poly_mask(sheet)
    inner = cv.poly_mask([(x0 + 1, y0 + 1), (x1 - fold - 0.4, y0 + 1), (x1 - 1, y0 + fold + 0.4),
                          (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)])
    cv.fill(grown(outline, 0.01), (98, 116, 140))
    cv.fill(inner, cv.vgradient(y0, y1, [(0, (255, 255, 255)), (1, (226, 233, 242))]))
    # folded corner
    cv.fill(cv.poly_mask([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)]), (98, 116, 140))
    cv.fill(cv.poly_mask([(x1 - fold + 1, y0 + 1.6), (x1 - fold + 1, y0 + fold - 1), (x1 - 1.6, y0 + fold - 1)]),
            (214, 224, 236))
    # text lines
    for i, ln in enumerate([8, 10, 10, 6]):
        y = y0 + 8 + i * 3
        cv.fill(cv.rect_mask(x0 + 3, y, x0 + 3 + ln, y + 1.2), (150, 166, 188))
    # blue plus with a white rim
    plus = cv.poly_mask(plus_points(ox + 18, oy + 17.5, 6.5, 2.1))
    cv.fill(grown(plus, 1.3), (255, 255, 255))
    cv.fill(plus, cv.vgradient(oy + 11, oy + 24, [(0, (74, 150, 240)), (1, (20, 86, 190))]))


def icon_new_folder(cv, ox, oy):
    dark = (150, 30, 22)
    back = [(ox + 1, oy + 4), (ox + 9, oy + 4), (ox + 11, oy + 6.5), (ox + 22, oy + 6.5),
            (ox + 22, oy + 20.5), (ox + 1, oy + 20.5)]
    back_m = cv.poly_mask(back)
    cv.fill(grown(back_m, 0.9), dark)
    cv.fill(back_m, cv.vgradient(oy + 4, oy + 20, [(0, (212, 70, 52)), (1, (176, 40, 30))]))
    # paper peeking out
    cv.fill(cv.rect_mask(ox + 3.5, oy + 8, ox + 20, oy + 14), (250, 247, 240))
    front = [(ox + 0.5, oy + 10), (ox + 23.5, oy + 10), (ox + 22, oy + 21), (ox + 1, oy + 21)]
    front_m = cv.poly_mask(front)
    cv.fill(grown(front_m, 0.9), dark)
    cv.fill(front_m, cv.vgradient(oy + 10, oy + 21, [(0, (250, 118, 92)), (1, (212, 54, 38))]))
    cv.fill(cv.rect_mask(ox + 1.5, oy + 10.2, ox + 22.5, oy + 11), (255, 190, 170), 0.8)
    plus = cv.poly_mask(plus_points(ox + 12, oy + 15.5, 4.3, 1.35))
    cv.fill(shifted(plus, 0, 0.8), dark, 0.6)
    cv.fill(plus, (255, 255, 255))


def round_cross(cv, cx, cy, r):
    disc = cv.ellipse_mask(cx, cy, r)
    cv.fill(grown(disc, 0.9), (168, 52, 14))
    cv.fill(disc, cv.vgradient(cy - r, cy + r, [(0, (255, 150, 84)), (0.55, (242, 96, 40)), (1, (214, 64, 20))]))
    # soft highlight on the upper part
    hi = intersect(cv.ellipse_mask(cx, cy - r * 0.42, r * 0.78, r * 0.52), disc)
    cv.fill(hi, cv.vgradient(cy - r, cy, [(0, (255, 255, 255, 150)), (1, (255, 255, 255, 0))]))
    a = r * 0.42
    cross = union(cv.line_mask([(cx - a, cy - a), (cx + a, cy + a)], r * 0.3),
                  cv.line_mask([(cx - a, cy + a), (cx + a, cy - a)], r * 0.3))
    cv.fill(shifted(cross, 0, 0.7), (150, 40, 10), 0.55)
    cv.fill(cross, (255, 255, 255))


def icon_remove(cv, ox, oy):
    round_cross(cv, ox + 12, oy + 12, 10.5)


def icon_remove_all(cv, ox, oy):
    round_cross(cv, ox + 11, oy + 11, 9.5)
    plus = cv.poly_mask(plus_points(ox + 19.5, oy + 18.5, 4.6, 1.5))
    cv.fill(grown(plus, 1.3), (255, 255, 255))
    cv.fill(plus, cv.vgradient(oy + 14, oy + 23, [(0, (246, 112, 56)), (1, (200, 56, 18))]))


def arrow_head(cv, cx, cy, r, angle_deg, size):
    """Mask of a triangle at the point of an arc at angle_deg, pointing the
    way of growing angles (clockwise on screen)."""
    a = math.radians(angle_deg)
    px, py = cx + r * math.cos(a), cy + r * math.sin(a)
    tx, ty = -math.sin(a), math.cos(a)  # tangent
    nx, ny = math.cos(a), math.sin(a)   # normal
    tip = (px + tx * size, py + ty * size)
    b1 = (px + nx * size * 0.95 - tx * size * 0.2, py + ny * size * 0.95 - ty * size * 0.2)
    b2 = (px - nx * size * 0.95 - tx * size * 0.2, py - ny * size * 0.95 - ty * size * 0.2)
    return cv.poly_mask([tip, b1, b2])


def icon_convert(cv, ox, oy, shadow, colour=(255, 255, 255)):
    cx, cy, r, w = ox + 12, oy + 12, 7.8, 2.9
    m = union(cv.arc_mask(cx, cy, r, 200, 318, w), cv.arc_mask(cx, cy, r, 20, 138, w),
              arrow_head(cv, cx, cy, r, 318, 4.6), arrow_head(cv, cx, cy, r, 138, 4.6))
    cv.fill(shifted(m, 0, 1), shadow, 0.45)
    cv.fill(m, colour)


def icon_question(cv, cx, cy, r, pressed=False):
    disc = cv.ellipse_mask(cx, cy, r)
    cv.fill(shifted(grown(disc, 0.4), 0, 1), (10, 40, 90), 0.35)
    cv.fill(grown(disc, 1.3), (255, 255, 255))
    top, bottom = ((92, 168, 242), (22, 88, 186)) if not pressed else ((64, 140, 222), (14, 70, 160))
    cv.fill(disc, cv.vgradient(cy - r, cy + r, [(0, top), (1, bottom)]))
    hi = intersect(cv.ellipse_mask(cx, cy - r * 0.45, r * 0.75, r * 0.5), disc)
    cv.fill(hi, cv.vgradient(cy - r, cy, [(0, (255, 255, 255, 140)), (1, (255, 255, 255, 0))]))
    f = font("DejaVuSans-Bold.ttf", r * 1.45)
    q = cv.text_mask("?", f, cx, cy + cap_height(f) / 2, anchor="ms")
    cv.fill(shifted(q, 0, 0.7), (10, 50, 120), 0.5)
    cv.fill(q, (255, 255, 255))


# ---------------------------------------------------------------------------
# Button faces

def drop_shadow(cv, body, dy, blur, opacity):
    sh = shifted(body, 0, dy).filter(ImageFilter.GaussianBlur(blur * SS))
    cv.fill(sh, (8, 36, 72), opacity)


def caption(cv, text, fnt, x0, x1, cy, colour, shadow=None, shadow_opacity=0.5, dy=1):
    width = text_width(fnt, text)
    x = (x0 + x1) / 2 - width / 2
    baseline = cy + cap_height(fnt) / 2
    m = cv.text_mask(text, fnt, x, baseline)
    if shadow is not None:
        cv.fill(shifted(m, 0, dy), shadow, shadow_opacity)
    cv.fill(m, colour)


# Light-blue face of the four list buttons along the banner. The upper half
# is the same for normal and hover; hover and pressed have a deeper lower half.
BLUE_FACES = {
    "normal":  {"border": (46, 98, 156), "upper": [(0, (253, 254, 255)), (1, (229, 242, 253))],
                "lower": [(0, (207, 231, 251)), (1, (186, 219, 247))], "text": (24, 44, 74)},
    "hover":   {"border": (34, 86, 150), "upper": [(0, (250, 253, 255)), (1, (222, 239, 253))],
                "lower": [(0, (156, 205, 246)), (1, (118, 180, 238))], "text": (16, 36, 66)},
    "pressed": {"border": (28, 72, 132), "upper": [(0, (214, 232, 250)), (1, (196, 222, 247))],
                "lower": [(0, (128, 186, 238)), (1, (104, 168, 230))], "text": (12, 30, 58)},
}


def list_button(w, h, text, icon, look):
    style = BLUE_FACES[look]
    pressed = look == "pressed"
    cv = Canvas(w, h)
    x0, y0, x1, y1, r = 0.5, 0.5, w - 0.5, h - 2, 7
    body = cv.rrect_mask(x0, y0, x1, y1, r)
    if not pressed:
        drop_shadow(cv, cv.rrect_mask(x0 + 1, y0, x1 - 1, y1, r), 1.2, 0.7, 0.55)
    cv.fill(body, style["border"])
    inner = cv.rrect_mask(x0 + 1, y0 + 1, x1 - 1, y1 - 1, r - 1)
    mid = (y0 + y1) / 2
    if pressed:
        cv.fill(inner, (150, 190, 230))
        face = cv.rrect_mask(x0 + 1, y0 + 2, x1 - 1, y1 - 1, r - 1)
    else:
        cv.fill(inner, (255, 255, 255))
        face = cv.rrect_mask(x0 + 1.5, y0 + 2, x1 - 1.5, y1 - 1, r - 1.5)
    cv.fill(intersect(face, cv.rect_mask(0, 0, w, mid)), cv.vgradient(y0 + 1, mid, style["upper"]))
    cv.fill(intersect(face, cv.rect_mask(0, mid, w, h)), cv.vgradient(mid, y1 - 1, style["lower"]))
    if pressed:
        # inner shadow along the top edge
        cv.fill(subtract(inner, shifted(inner, 0, 2)), (20, 60, 110), 0.25)
    d = 1 if pressed else 0
    fnt = font("DejaVuSansCondensed-Bold.ttf", 12.5)
    icon_box, gap = 24, 6
    tw = text_width(fnt, text)
    # icon and caption centred together, the icon never closer than 8 px to the edge
    ix = max(8, (w - (icon_box + gap + tw)) / 2) + d
    icon(cv, ix, (y0 + y1) / 2 - icon_box / 2 + d)
    tx = ix + icon_box + gap
    caption(cv, text, fnt, tx, tx + tw, (y0 + y1) / 2 + d, style["text"],
            shadow=(255, 255, 255), shadow_opacity=0.55)
    return cv.result()


GREEN_FACES = {
    # the normal face is the lighter one
    "normal":  {"border": (52, 120, 34), "upper": [(0, (178, 232, 128)), (1, (136, 208, 86))],
                "lower": [(0, (104, 190, 58)), (1, (86, 172, 44))]},
    "hover":   {"border": (38, 100, 24), "upper": [(0, (146, 214, 102)), (1, (100, 184, 58))],
                "lower": [(0, (68, 158, 34)), (1, (52, 138, 24))]},
    "pressed": {"border": (30, 86, 18), "upper": [(0, (110, 186, 72)), (1, (86, 164, 48))],
                "lower": [(0, (58, 144, 28)), (1, (46, 126, 20))]},
}


def convert_button(w, h, text, look):
    style = GREEN_FACES[look]
    pressed = look == "pressed"
    cv = Canvas(w, h)
    x0, y0, x1, y1, r = 0.5, 0.5, w - 0.5, h - 2, 8
    body = cv.rrect_mask(x0, y0, x1, y1, r)
    if not pressed:
        drop_shadow(cv, cv.rrect_mask(x0 + 1, y0, x1 - 1, y1, r), 1.2, 0.8, 0.35)
    cv.fill(body, style["border"])
    inner = cv.rrect_mask(x0 + 1, y0 + 1, x1 - 1, y1 - 1, r - 1)
    mid = (y0 + y1) / 2
    cv.fill(inner, (214, 246, 190) if not pressed else (80, 150, 50))
    face = cv.rrect_mask(x0 + 1.5, y0 + 2, x1 - 1.5, y1 - 1, r - 1.5) if not pressed else \
        cv.rrect_mask(x0 + 1, y0 + 2, x1 - 1, y1 - 1, r - 1)
    cv.fill(intersect(face, cv.rect_mask(0, 0, w, mid)), cv.vgradient(y0 + 1, mid, style["upper"]))
    cv.fill(intersect(face, cv.rect_mask(0, mid, w, h)), cv.vgradient(mid, y1 - 1, style["lower"]))
    if pressed:
        cv.fill(subtract(inner, shifted(inner, 0, 2)), (10, 50, 10), 0.3)
    d = 1 if pressed else 0
    cy = (y0 + y1) / 2 + d
    fnt = font("DejaVuSans-Bold.ttf", 13.5)
    tw = text_width(fnt, text)
    gap, icon_box = 7, 24
    left = (w - (icon_box + gap + tw)) / 2 + d
    icon_convert(cv, left, cy - icon_box / 2, shadow=style["border"])
    caption(cv, text, fnt, left + icon_box + gap, left + icon_box + gap + tw, cy, (255, 255, 255),
            shadow=style["border"], shadow_opacity=0.75)
    return cv.result()


def stop_button(look):
    w, h = 39, 25
    faces = {
        "normal":  ((104, 168, 236), (46, 110, 196), (30, 78, 146)),
        "hover":   ((124, 186, 246), (56, 124, 214), (28, 74, 142)),
        "pressed": ((62, 124, 200), (36, 92, 172), (22, 60, 120)),
    }
    top, bottom, border = faces[look]
    pressed = look == "pressed"
    cv = Canvas(w, h)
    x0, y0, x1, y1, r = 0.5, 0.5, w - 0.5, h - 1.5, 5
    body = cv.rrect_mask(x0, y0, x1, y1, r)
    if not pressed:
        drop_shadow(cv, cv.rrect_mask(x0 + 1, y0, x1 - 1, y1, r), 0.9, 0.6, 0.3)
    cv.fill(body, border)
    inner = cv.rrect_mask(x0 + 1, y0 + 1, x1 - 1, y1 - 1, r - 1)
    cv.fill(inner, cv.vgradient(y0 + 1, y1 - 1, [(0, top), (1, bottom)]))
    if not pressed:
        gloss = intersect(inner, cv.rect_mask(0, 0, w, (y0 + y1) / 2))
        cv.fill(gloss, (255, 255, 255), 0.16)
        cv.fill(subtract(inner, shifted(inner, 0, 1)), (255, 255, 255), 0.35)
    else:
        cv.fill(subtract(inner, shifted(inner, 0, 2)), (0, 20, 60), 0.3)
    d = 1 if pressed else 0
    fnt = font("DejaVuSans-Bold.ttf", 9.5)
    caption(cv, "STOP", fnt, 0 + d, w + d, (y0 + y1) / 2 + d, (255, 255, 255), shadow=border, shadow_opacity=0.8)
    return cv.result()


def help_button(look):
    w, h = 77, 37
    pressed = look == "pressed"
    cv = Canvas(w, h)
    d = 1 if pressed else 0
    r = 12.5
    cx, cy = 3 + r + d, h / 2 + d
    fnt = font("DejaVuSans-Bold.ttf", 14)
    tx = cx + r + 5.5
    tw = text_width(fnt, "HELP")
    text = cv.text_mask("HELP", fnt, tx, cy + cap_height(fnt) / 2)
    if look == "hover":
        cv.glow(union(cv.ellipse_mask(cx, cy, r + 1), text), 3.0, (235, 248, 255), 0.75)
    icon_question(cv, cx, cy, r, pressed)
    cv.fill(shifted(text, 0, 1), (12, 52, 104), 0.55)
    cv.fill(text, (255, 255, 255) if not pressed else (226, 238, 252))
    assert tx + tw < w - 2
    return cv.result()


LIST_BUTTONS = [
    # (normal, pressed, hover), width, caption, icon
    ((144, 189, 143), 156, "Add File(s)", icon_new_file),
    ((147, 145, 146), 156, "Add Folder", icon_new_folder),
    ((162, 160, 161), 156, "Remove Selected", icon_remove),
    ((159, 157, 158), 138, "Remove All", icon_remove_all),
]

CONVERT_BUTTONS = [
    ((150, 148, 149), 144, 48, "Convert All"),
    ((153, 151, 152), 186, 50, "Convert Selected"),
]


def button_pictures():
    out = {}
    for (n, p, hv), w, text, icon in LIST_BUTTONS:
        out[n] = list_button(w, 44, text, icon, "normal")
        out[p] = list_button(w, 44, text, icon, "pressed")
        out[hv] = list_button(w, 44, text, icon, "hover")
    for (n, p, hv), w, h, text in CONVERT_BUTTONS:
        out[n] = convert_button(w, h, text, "normal")
        out[p] = convert_button(w, h, text, "pressed")
        out[hv] = convert_button(w, h, text, "hover")
    out[156], out[154], out[155] = help_button("normal"), help_button("pressed"), help_button("hover")
    out[165], out[163], out[164] = stop_button("normal"), stop_button("pressed"), stop_button("hover")
    return out


# ---------------------------------------------------------------------------
# Window skin. Except for the options panel, every row has one colour.

BANNER_TOP, BANNER_BOTTOM = (144, 195, 230), (87, 150, 195)
BODY_TOP, BODY_MIDDLE, BODY_BOTTOM = (177, 224, 255), (101, 182, 252), (178, 224, 255)


def rows_image(width, colours):
    img = Image.new("RGB", (width, len(colours)))
    d = ImageDraw.Draw(img)
    for y, c in enumerate(colours):
        d.line([(0, y), (width - 1, y)], fill=c)
    return img


def two_stop_rows(height, top, bottom):
    return [mix(top, bottom, y / (height - 1)) for y in range(height)]


def three_stop_rows(height, top, middle, bottom, middle_row):
    rows = []
    for y in range(height):
        if y <= middle_row:
            rows.append(mix(top, middle, y / middle_row))
        else:
            rows.append(mix(middle, bottom, (y - middle_row) / (height - 1 - middle_row)))
    return rows


def skin_bitmaps():
    banner = rows_image(800, two_stop_rows(87, BANNER_TOP, BANNER_BOTTOM))
    body = rows_image(800, three_stop_rows(487, BODY_TOP, BODY_MIDDLE, BODY_BOTTOM, 243))
    backdrop = Image.new("RGB", (800, 574))
    backdrop.paste(banner, (0, 0))
    backdrop.paste(body, (0, 87))
    panel = Image.new("RGB", (518, 184), (100, 100, 100))
    ImageDraw.Draw(panel).rectangle([1, 1, 516, 182], fill=(243, 249, 255))
    return {
        141: panel,
        191: banner,
        192: body,
        193: rows_image(800, two_stop_rows(5, BODY_TOP, BODY_BOTTOM)),
        194: rows_image(5, three_stop_rows(2000, BODY_TOP, BODY_MIDDLE, BODY_BOTTOM, 1000)),
        218: backdrop,
    }


# ---------------------------------------------------------------------------
# Side-panel picture, shown when the promotion page cannot be loaded.

def book_and_pdf(cv, ox, oy):
    """An open book on the left, an arrow, and a PDF page on the right,
    inside a 200 x 120 box."""
    # soft shadow under the group
    cv.fill(cv.ellipse_mask(ox + 100, oy + 113, 92, 6).filter(ImageFilter.GaussianBlur(3 * SS)),
            (30, 80, 140), 0.35)

    # open book
    bx, by = ox + 6, oy + 28
    cover = cv.rrect_mask(bx, by + 6, bx + 82, by + 80, 4)
    cv.fill(cover, cv.vgradient(by, by + 80, [(0, (44, 108, 196)), (1, (24, 74, 150))]))
    left_page = cv.poly_mask([(bx + 4, by + 4), (bx + 40, by + 8), (bx + 40, by + 74), (bx + 4, by + 70)])
    right_page = cv.poly_mask([(bx + 42, by + 8), (bx + 78, by + 4), (bx + 78, by + 70), (bx + 42, by + 74)])
    cv.fill(left_page, cv.vgradient(by, by + 74, [(0, (255, 255, 255)), (1, (233, 238, 246))]))
    cv.fill(right_page, cv.vgradient(by, by + 74, [(0, (250, 252, 255)), (1, (226, 233, 243))]))
    cv.fill(cv.rect_mask(bx + 40, by + 8, bx + 42, by + 74), (176, 190, 210))
    for i in range(8):
        y = by + 16 + i * 6.5
        ln = 28 if i % 4 != 3 else 18
        cv.fill(cv.line_mask([(bx + 10, y + 0.5 * (1 - i / 8)), (bx + 10 + ln, y + 1.2)], 1.6), (150, 164, 186))
        cv.fill(cv.line_mask([(bx + 48, y + 1.2), (bx + 48 + ln, y + 0.5 * (1 - i / 8))], 1.6), (150, 164, 186))

    # arrow
    ax, ay = ox + 96, oy + 66
    shaft = cv.line_mask([(ax, ay), (ax + 16, ay)], 5)
    head = cv.poly_mask([(ax + 14, ay - 8), (ax + 26, ay), (ax + 14, ay + 8)])
    cv.fill(union(shaft, head), (255, 255, 255))

    # PDF page
    px, py, pw, ph, fold = ox + 130, oy + 18, 64, 86, 16
    page = [(px, py), (px + pw - fold, py), (px + pw, py + fold), (px + pw, py + ph), (px, py + ph)]
    page_m = cv.poly_mask(page)
    cv.fill(grown(page_m, 1.0), (150, 164, 186))
    cv.fill(page_m, cv.vgradient(py, py + ph, [(0, (255, 255, 255)), (1, (236, 240, 246))]))
    cv.fill(cv.poly_mask([(px + pw - fold, py), (px + pw - fold, py + fold), (px + pw, py + fold)]), (214, 222, 234))
    for i in range(4):
        y = py + 14 + i * 6
        cv.fill(cv.line_mask([(px + 8, y), (px + 8 + (36 if i != 3 else 26), y)], 1.6), (170, 182, 200))
    band = cv.rrect_mask(px - 6, py + 46, px + pw - 8, py + 70, 3)
    cv.fill(shifted(band, 0, 1.5), (90, 10, 10), 0.3)
    cv.fill(band, cv.vgradient(py + 46, py + 70, [(0, (236, 64, 52)), (1, (196, 32, 28))]))
    f = font("DejaVuSans-Bold.ttf", 15)
    caption(cv, "PDF", f, px - 6, px + pw - 8, py + 58, (255, 255, 255))


def promo_picture():
    w, h = 245, 456
    cv = Canvas(w, h)
    cv.fill(cv.rect_mask(0, 0, w, h), cv.vgradient(0, h, [(0, (236, 246, 255)), (0.45, (186, 224, 252)),
                                                           (1, (112, 176, 236))]))
    # faint rings for depth
    for cx, cy, r, a in [(210, 40, 90, 0.18), (20, 430, 120, 0.14), (230, 330, 60, 0.10)]:
        ring = subtract(cv.ellipse_mask(cx, cy, r), cv.ellipse_mask(cx, cy, r - 14))
        cv.fill(ring, (255, 255, 255), a)

    # name and tagline
    title = font("DejaVuSans-Bold.ttf", 34)
    caption(cv, "Corvale", title, 0, w, 62, (26, 76, 146), shadow=(255, 255, 255), shadow_opacity=0.8)
    cv.fill(cv.rrect_mask(w / 2 - 28, 86, w / 2 + 28, 89, 1.5), (232, 62, 50))
    tag = font("DejaVuSans.ttf", 13)
    caption(cv, "MOBI to PDF,", tag, 0, w, 110, (40, 78, 128))
    caption(cv, "fast and faithful", tag, 0, w, 128, (40, 78, 128))

    book_and_pdf(cv, (w - 200) / 2, 156)

    # three short points
    items = ["Whole folders at once", "Pictures kept in place", "Any page size, A4 to B0"]
    f = font("DejaVuSans-Bold.ttf", 11.5)
    y = 320
    for text in items:
        dot = cv.ellipse_mask(38, y, 7)
        cv.fill(dot, (255, 255, 255))
        tick = cv.line_mask([(34.5, y + 0.2), (37, y + 2.8), (41.5, y - 2.6)], 1.8)
        cv.fill(tick, (40, 140, 56))
        m = cv.text_mask(text, f, 52, y + cap_height(f) / 2)
        cv.fill(shifted(m, 0, 1), (255, 255, 255), 0.5)
        cv.fill(m, (22, 62, 118))
        y += 30

    foot = font("DejaVuSans.ttf", 10.5)
    caption(cv, "Desktop e-book converter", foot, 0, w, 430, (232, 244, 255))
    img = cv.result()
    return img.convert("RGB")


# ---------------------------------------------------------------------------
# Application icon: a blue book with a red PDF corner.

ICON_SIZES = (16, 32, 48, 64, 128, 256)


def app_icon(size):
    # Designed on a 32-unit grid and scaled; the small sizes drop details.
    s = size / 32
    cv = Canvas(size, size)

    def u(v):
        return v * s

    edge = 1.0 if size <= 16 else max(0.5, u(0.6))
    x0, y0, x1, y1, fold = u(4), u(2), u(26.5), u(28), u(9)
    if size <= 16:
        x0, y0, x1, y1, fold = 2, 1, 13, 14, 5  # on whole pixels, so the edges stay crisp
    # page block, showing below and right of the cover
    pages = cv.rrect_mask(x0 + u(2), y0 + u(1.6), x1 + u(1.6), y1 + u(1.8), u(2))
    cv.fill(grown(pages, edge), (30, 56, 98))
    cv.fill(pages, (252, 250, 243))
    if size >= 48:
        for i in (1, 2):
            yy = y1 + u(1.8) - u(0.6) * i
            cv.fill(cv.rect_mask(x0 + u(5), yy - u(0.1), x1 + u(1), yy + u(0.1)), (196, 192, 180))
    # cover with its top-right corner folded down
    cover = subtract(cv.rrect_mask(x0, y0, x1, y1, u(2.2)),
                     cv.poly_mask([(x1 - fold, y0 - 1), (x1 + 1, y0 - 1), (x1 + 1, y0 + fold)]))
    cv.fill(grown(cover, edge), (18, 48, 104))
    cv.fill(cover, cv.vgradient(y0, y1, [(0, (66, 146, 232)), (1, (24, 82, 176))]))
    spine = intersect(cover, cv.rect_mask(x0, y0, x0 + u(4.5), y1))
    cv.fill(spine, (14, 50, 124), 0.8)
    if size >= 32:
        cv.fill(intersect(cover, cv.rect_mask(x0 + u(4.5), y0, x0 + u(4.5) + max(0.75, u(0.6)), y1)),
                (150, 200, 250), 0.8)
    if size >= 32:
        for i, ln in enumerate((12, 8)):
            yy = y0 + u(11.5) + i * u(3.8)
            cv.fill(cv.line_mask([(x0 + u(8.5), yy), (x0 + u(8.5 + ln), yy)], u(1.7)), (226, 240, 255))
    # the folded flap shows its red inside
    flap = cv.poly_mask([(x1 - fold, y0), (x1 - fold + u(0.6), y0 + fold - u(0.6)), (x1, y0 + fold)])
    cv.fill(shifted(flap, -u(0.8), u(0.8)).filter(ImageFilter.GaussianBlur(max(0.5, u(0.8)) * SS)),
            (10, 30, 70), 0.5)
    cv.fill(grown(flap, edge * 0.8), (128, 20, 18))
    cv.fill(flap, cv.vgradient(y0, y0 + fold, [(0, (250, 96, 76)), (1, (200, 34, 28))]))
    if size >= 48:
        label = cv.rrect_mask(x0 + u(8), y0 + u(18.5), x1 - u(2.5), y0 + u(24.5), u(1.2))
        cv.fill(shifted(label, 0, u(0.5)), (8, 30, 80), 0.45)
        cv.fill(label, cv.vgradient(y0 + u(18.5), y0 + u(24.5), [(0, (244, 74, 58)), (1, (204, 36, 30))]))
        f = font("DejaVuSans-Bold.ttf", u(5))
        caption(cv, "PDF", f, x0 + u(8), x1 - u(2.5), y0 + u(21.5), (255, 255, 255))
    elif size >= 32:
        cv.fill(cv.rrect_mask(x0 + u(8), y0 + u(19), x1 - u(3), y0 + u(24), u(1)), (226, 52, 40))
    # Plain area averaging: at these sizes a Lanczos filter would ring into
    # a faint halo around the outline.
    return cv.result(Image.Resampling.BOX)


def write_ico(path, images):
    """A Windows icon file: 32-bit DIB entries up to 128 px, PNG for 256 px."""
    entries = []
    for img in images:
        w, h = img.size
        if w >= 256:
            buf = io.BytesIO()
            img.save(buf, "PNG", optimize=True)
            data = buf.getvalue()
        else:
            header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
            pixels = bytearray()
            px = img.load()
            for y in range(h - 1, -1, -1):
                for x in range(w):
                    r, g, b, a = px[x, y]
                    pixels += bytes((b, g, r, a))
            mask_row = ((w + 31) // 32) * 4
            mask = bytearray()
            for y in range(h - 1, -1, -1):
                row = bytearray(mask_row)
                for x in range(w):
                    if px[x, y][3] == 0:
                        row[x // 8] |= 0x80 >> (x % 8)
                mask += row
            data = header + bytes(pixels) + bytes(mask)
        entries.append((w, h, data))
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for w, h, data in entries:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)


# ---------------------------------------------------------------------------

def save_png(img, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.save(path, "PNG", optimize=True)


def main():
    for pid, img in sorted(button_pictures().items()):
        save_png(img, os.path.join(HERE, "png", f"{pid}.png"))
    for bid, img in sorted(skin_bitmaps().items()):
        save_png(img, os.path.join(HERE, "bmp", f"{bid}.png"))
    save_png(promo_picture(), os.path.join(HERE, "bmp", "197.png"))
    icons = [app_icon(n) for n in ICON_SIZES]
    for n, img in zip(ICON_SIZES, icons):
        save_png(img, os.path.join(HERE, "icon", f"271-{n}.png"))
    write_ico(os.path.join(HERE, "icon", "corvale.ico"), icons)
    return 0


if __name__ == "__main__":
    sys.exit(main())
