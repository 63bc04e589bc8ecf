"""Procedural art for the demo's images: each public function returns one finished PIL
image at its texture size. Shapes and lettering are drawn on a supersampled canvas and
reduced; cut-outs get hard alpha (0 or 255) so that any alpha-test reference keeps them whole."""
import functools
import itertools
import math
import os
from collections import namedtuple

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"  # fonts-dejavu-core
FACES = {"sans": "DejaVuSans-Bold.ttf", "mono": "DejaVuSansMono-Bold.ttf"}
JPEG_QUALITY = 90
ALPHA_CUT = 128            # reduced coverage (0..255) from which a pixel counts as opaque
INK = (28, 16, 44)         # outline colour, also the RGB under transparent pixels
BOX = Image.Resampling.BOX

# ---------------------------------------------------------------- raster helpers


def smoothstep(a, b, x):
    t = np.clip((x - a) / (b - a), 0.0, 1.0)
    return t * t * (3 - 2 * t)


def ramp(t, stops):
    """Colours (..., 3) along piecewise-linear stops ((pos, (r, g, b)), ...) at positions t."""
    pos = np.array([p for p, _ in stops], float)
    cols = np.array([c for _, c in stops], float)
    t = np.clip(t, pos[0], pos[-1])
    return np.stack([np.interp(t, pos, cols[:, k]) for k in range(3)], axis=-1)


def to_image(rgb):
    return Image.fromarray(np.clip(np.rint(rgb), 0, 255).astype(np.uint8), "RGB")


def harden(image, size):
    """Reduces an RGBA canvas to `size` and makes every pixel fully opaque or fully clear."""
    small = np.asarray(image.resize(size, BOX))  # RGBA resizing is premultiplied in PIL
    opaque = small[..., 3] >= ALPHA_CUT
    out = np.empty_like(small)
    out[..., :3] = np.where(opaque[..., None], small[..., :3], np.array(INK, np.uint8))
    out[..., 3] = np.where(opaque, 255, 0)
    return Image.fromarray(out, "RGBA")


def grow(mask, radius):
    """Mask dilated by about `radius` pixels, with rounded corners."""
    blurred = mask.filter(ImageFilter.GaussianBlur(radius / 2))
    return blurred.point(lambda v: 255 if v > 5 else 0)


def smooth_noise(rng, size, cells):
    """Value noise in 0..1 over `size` (w, h), with `cells` (cx, cy) random lattice values."""
    lattice = rng.random((cells[1], cells[0])).astype(np.float32)
    return np.asarray(Image.fromarray(lattice, "F").resize(size, Image.Resampling.BICUBIC))


def fbm(rng, size, cells, octaves):
    total, weight, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        total = total + weight * smooth_noise(rng, size, (cells[0] << o, cells[1] << o))
        norm += weight
        weight *= 0.5
    return total / norm


class Pen:
    """ImageDraw in logical units on a canvas `scale` times larger; colours are opaque."""

    def __init__(self, image, scale):
        self.draw = ImageDraw.Draw(image)
        self.k = scale

    def _pts(self, pts):
        return [(x * self.k, y * self.k) for x, y in pts]

    @staticmethod
    def _rgba(colour):
        return tuple(colour) + (255,) if len(colour) == 3 else tuple(colour)

    def poly(self, pts, fill):
        self.draw.polygon(self._pts(pts), fill=self._rgba(fill))

    def ellipse(self, cx, cy, rx, ry, fill):
        k = self.k
        self.draw.ellipse([(cx - rx) * k, (cy - ry) * k, (cx + rx) * k, (cy + ry) * k],
                          fill=self._rgba(fill))

    def circle(self, cx, cy, r, fill):
        self.ellipse(cx, cy, r, r, fill)

    def rect(self, x0, y0, x1, y1, fill, radius=0):
        k = self.k
        self.draw.rounded_rectangle([x0 * k, y0 * k, x1 * k, y1 * k], radius=radius * k,
                                    fill=self._rgba(fill))

    def line(self, pts, width, fill):
        """Polyline with round joints and round caps."""
        self.draw.line(self._pts(pts), fill=self._rgba(fill), width=round(width * self.k),
                       joint="curve")
        for x, y in (pts[0], pts[-1]):
            self.circle(x, y, width / 2, fill)

    def arc(self, cx, cy, r, start, end, width, fill):
        """Arc of radius r (centre of the stroke), degrees clockwise from 3 o'clock, round caps."""
        k, h = self.k, width / 2
        self.draw.arc([(cx - r - h) * k, (cy - r - h) * k, (cx + r + h) * k, (cy + r + h) * k],
                      start, end, fill=self._rgba(fill), width=round(width * k))
        for a in (start, end):
            t = math.radians(a)
            self.circle(cx + r * math.cos(t), cy + r * math.sin(t), h, fill)


def star_points(cx, cy, outer, inner, points, turn=-90.0):
    """Vertices of a star polygon, the first tip at angle `turn` (degrees, y down)."""
    pts = []
    for i in range(points * 2):
        r = outer if i % 2 == 0 else inner
        a = math.radians(turn + i * 180.0 / points)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def cutout_art(logical, tex_size, scale, border, draw):
    """Runs draw(canvas, pen) on a clear canvas `scale` times `logical`, rings the drawn
    silhouette with an INK border of `border` logical pixels, and hardens it to `tex_size`."""
    canvas = Image.new("RGBA", (logical[0] * scale, logical[1] * scale), INK + (0,))
    draw(canvas, Pen(canvas, scale))
    if border:
        ring = grow(canvas.getchannel("A"), border * scale)
        backed = Image.new("RGBA", canvas.size, INK + (0,))
        backed.paste(INK + (255,), (0, 0) + canvas.size, ring)
        backed.alpha_composite(canvas)
        canvas = backed
    return harden(canvas, tex_size)


def clipped(canvas, mask, draw, scale):
    """Draws draw(pen) on its own layer and lays only the part inside `mask` onto canvas."""
    layer = Image.new("RGBA", canvas.size, (0, 0, 0, 0))
    draw(Pen(layer, scale))
    alpha = np.minimum(np.asarray(layer.getchannel("A")), np.asarray(mask))
    layer.putalpha(Image.fromarray(alpha, "L"))
    canvas.alpha_composite(layer)

# ---------------------------------------------------------------- lettering

# stops: vertical gradient of the letter faces, top to bottom of each line;
# stroke and drop (offset of the shadow) are fractions of the font size.
TextStyle = namedtuple("TextStyle", "stops outline shadow stroke drop")

CHROME = TextStyle(((0.0, (235, 248, 255)), (0.46, (110, 160, 235)), (0.5, (25, 35, 90)),
                    (0.56, (255, 210, 130)), (1.0, (170, 80, 30))), INK, (0, 0, 0), 0.07, 0.06)
SUNSET = TextStyle(((0.0, (255, 255, 225)), (0.55, (255, 215, 80)), (1.0, (255, 120, 30))),
                   INK, (130, 30, 150), 0.085, 0.07)
ICE = TextStyle(((0.0, (240, 255, 255)), (0.55, (120, 230, 255)), (1.0, (40, 120, 255))),
                INK, (20, 50, 130), 0.085, 0.07)
CANDY = TextStyle(((0.0, (255, 240, 250)), (0.55, (255, 125, 210)), (1.0, (205, 40, 160))),
                  INK, (70, 20, 100), 0.085, 0.07)
LIME = TextStyle(((0.0, (245, 255, 225)), (0.55, (170, 245, 80)), (1.0, (60, 170, 40))),
                 INK, (20, 70, 40), 0.085, 0.07)
LINE_PITCH = 1.06          # line distance in font sizes, before the outline is added


@functools.lru_cache(maxsize=None)
def font(size, face="sans"):
    return ImageFont.truetype(os.path.join(FONT_DIR, FACES[face]), size,
                              layout_engine=ImageFont.Layout.BASIC)


def block_extent(lines, size, style, face):
    """Width and height of a block of lines with outline and shadow, in pixels."""
    f = font(size, face)
    stroke = round(style.stroke * size)
    widths = []
    for line in lines:
        x0, _, x1, _ = f.getbbox(line, stroke_width=stroke)
        widths.append(x1 - x0)
    pitch = LINE_PITCH * size + 2 * stroke
    return max(widths) + round(style.drop * size), len(lines) * pitch + round(style.drop * size)


def largest_size(lines, box, style, face, max_size):
    size = max_size
    while size > 8:
        w, h = block_extent(lines, size, style, face)
        if w <= box[0] and h <= box[1]:
            break
        size = min(size - 1, int(size * min(box[0] / w, box[1] / h)) + 1)
    return size


def fit_lines(text, box, style, face="sans", max_lines=3, max_size=400):
    """Splits text at word gaps into at most max_lines lines and returns (size, lines) with
    the largest font size that fits box (w, h). Every split is weighed, so the result is
    the best break, not a greedy one."""
    words = text.split()
    best = None
    for n in range(1, min(max_lines, len(words)) + 1):
        # the split with the narrowest widest line at a reference size, then fitted exactly;
        # a line that runs on past a comma weighs a quarter more, so phrases stay whole
        def widest(cut):
            bounds = (0,) + cut + (len(words),)
            return max(font(100, face).getlength(" ".join(words[a:b])) *
                       (1.25 if any(w.endswith(",") for w in words[a:b - 1]) else 1.0)
                       for a, b in zip(bounds, bounds[1:]))
        cut = min(itertools.combinations(range(1, len(words)), n - 1), key=widest)
        bounds = (0,) + cut + (len(words),)
        lines = [" ".join(words[a:b]) for a, b in zip(bounds, bounds[1:])]
        size = largest_size(lines, box, style, face, max_size)
        if best is None or size > best[0]:
            best = (size, lines)
    return best


def paint(canvas, colour, mask):
    canvas.paste(tuple(colour) + (255,), (0, 0) + canvas.size, mask)


def draw_text_block(canvas, lines, size, centre, style, face="sans", shear=0.0):
    """Draws centred lines with gradient faces, an outline and a drop shadow, all opaque.
    `shear` slants the letters (x shift per pixel above the block centre)."""
    f = font(size, face)
    stroke = round(style.stroke * size)
    drop = round(style.drop * size)
    pitch = LINE_PITCH * size + 2 * stroke
    # work on the patch of canvas around the block only
    w, h = block_extent(lines, size, style, face)
    reach_x, reach_y = w / 2 + abs(shear) * h / 2 + size, h / 2 + size
    x0, y0 = max(0, int(centre[0] - reach_x)), max(0, int(centre[1] - reach_y))
    x1 = min(canvas.size[0], int(centre[0] + reach_x) + 1)
    y1 = min(canvas.size[1], int(centre[1] + reach_y) + 1)
    patch = canvas.crop((x0, y0, x1, y1))
    faces = Image.new("L", patch.size, 0)
    edges = Image.new("L", patch.size, 0)
    dface, dedge = ImageDraw.Draw(faces), ImageDraw.Draw(edges)
    rows = np.full(patch.size[1], 0.5)
    cx, cy = centre[0] - drop / 2 - x0, centre[1] - drop / 2 - y0
    for i, line in enumerate(lines):
        y = cy + (i - (len(lines) - 1) / 2) * pitch
        dface.text((cx, y), line, font=f, fill=255, anchor="mm")
        dedge.text((cx, y), line, font=f, fill=255, anchor="mm",
                   stroke_width=stroke, stroke_fill=255)
        _, top, _, bottom = dface.textbbox((cx, y), line, font=f, anchor="mm")
        top, bottom = max(0, int(top)), min(len(rows), int(bottom) + 1)
        rows[top:bottom] = np.linspace(0.0, 1.0, bottom - top)
    if shear:
        slant = (1, shear, -shear * cy, 0, 1, 0)
        faces = faces.transform(faces.size, Image.Transform.AFFINE, slant,
                                Image.Resampling.BICUBIC)
        edges = edges.transform(edges.size, Image.Transform.AFFINE, slant,
                                Image.Resampling.BICUBIC)
    shadow = Image.new("L", patch.size, 0)
    shadow.paste(edges, (drop, drop))
    paint(patch, style.shadow, shadow)
    paint(patch, style.outline, edges)
    colours = ramp(rows, style.stops)[:, None, :]
    gradient = to_image(np.broadcast_to(colours, (patch.size[1], patch.size[0], 3)))
    patch.paste(gradient, (0, 0), faces)
    canvas.paste(patch, (x0, y0))


def text_in_box(canvas, text, box, style, face="sans", max_lines=3, max_size=400, shear=0.0):
    """Fits text into box (x0, y0, x1, y1) in canvas pixels and draws it centred there."""
    x0, y0, x1, y1 = box
    size, lines = fit_lines(text, (x1 - x0, y1 - y0), style, face, max_lines, max_size)
    draw_text_block(canvas, lines, size, ((x0 + x1) / 2, (y0 + y1) / 2), style, face, shear)


def sparkle(pen, cx, cy, r, fill):
    pen.poly(star_points(cx, cy, r + 6, r * 0.24 + 4, 4), INK)
    pen.poly(star_points(cx, cy, r, r * 0.24, 4), fill)

# ---------------------------------------------------------------- captions

CAPTION_LOGICAL = (1152, 512)   # 4.5 by 2 quad
# About 720 by 320 pixels on an 800x600 screen: 512x256 texels keep the lettering
# clean at a quarter of the memory and decode time of 1024x512.
CAPTION_SIZE = (512, 256)
CAPTION_SCALE = 2
# Text areas as fractions of the caption (x0, y0, x1, y1), y from the top. The lower
# quarter is left clear because the illustration square is drawn over its middle. The
# last line is shown 2 units nearer the eye, where only the middle of the quad is on screen.
CAPTION_AREA = (0.04, 0.04, 0.96, 0.74)
CLOSING_CAPTION_AREA = (0.25, 0.14, 0.77, 0.86)
CAPTION_STYLES = (SUNSET, ICE, CANDY, LIME)
CLOSING_ROW = 41


def caption(text, row):
    """Lyric line `row` as outlined lettering on a clear background."""
    closing = row == CLOSING_ROW
    area = CLOSING_CAPTION_AREA if closing else CAPTION_AREA
    style = SUNSET if closing else CAPTION_STYLES[(row - 1) % len(CAPTION_STYLES)]
    w, h = (n * CAPTION_SCALE for n in CAPTION_LOGICAL)
    box = (area[0] * w, area[1] * h, area[2] * w, area[3] * h)

    def draw(canvas, _pen):
        text_in_box(canvas, text, box, style, max_lines=4 if closing else 3,
                    max_size=int(0.44 * h))
    return cutout_art(CAPTION_LOGICAL, CAPTION_SIZE, CAPTION_SCALE, 0, draw)

# ---------------------------------------------------------------- logo, cards, banner

# Four-point sparkles of the logo: (x, y, radius) in logical pixels of its 1280x512 canvas.
LOGO_SPARKLES = ((118, 70, 46), (1180, 96, 34), (1090, 348, 28), (214, 352, 24), (640, 40, 22))


def group_logo():
    """'ZORBLAX' in slanted chrome letters with sparkles, over a small 'presents'."""
    s = 2

    def draw(canvas, pen):
        text_in_box(canvas, "ZORBLAX", (60 * s, 40 * s, 1220 * s, 360 * s), CHROME,
                    max_lines=1, shear=0.22)
        text_in_box(canvas, "- presents -", (420 * s, 380 * s, 860 * s, 490 * s), CANDY,
                    max_lines=1)
        for x, y, r in LOGO_SPARKLES:
            sparkle(pen, x, y, r, (255, 255, 240))
    return cutout_art((1280, 512), (1024, 512), s, 0, draw)


def title_card():
    """'KV 2007' over a neon sunset: striped sun, hills and a perspective grid floor."""
    W, H = 2744, 2048                       # 2.68 by 2, drawn at twice the logical size
    horizon = 0.64 * H
    rng = np.random.default_rng(2007)
    y = (np.arange(H) + 0.5)[:, None]
    x = (np.arange(W) + 0.5)[None, :]
    sky = ramp(y / horizon, ((0.0, (6, 4, 26)), (0.4, (40, 12, 84)), (0.75, (160, 36, 120)),
                             (1.0, (255, 130, 70))))
    floor = ramp((y - horizon) / (H - horizon), ((0.0, (60, 10, 80)), (1.0, (12, 0, 24))))
    rgb = np.where((y < horizon)[..., None], sky, floor) * np.ones((1, W, 1))
    # stars in the upper sky
    for sx, sy, b in zip(rng.random(260) * W, rng.random(260) * horizon * 0.7, rng.random(260)):
        r = 1.5 + 3.0 * b
        yy, xx = int(sy), int(sx)
        y0, y1, x0, x1 = max(0, yy - 6), min(H, yy + 7), max(0, xx - 6), min(W, xx + 7)
        d2 = (np.arange(y0, y1)[:, None] - sy) ** 2 + (np.arange(x0, x1)[None, :] - sx) ** 2
        rgb[y0:y1, x0:x1] += (60 + 195 * b) * np.exp(-d2 / (r * r))[..., None]
    # the sun: gradient disc cut by widening gaps towards the horizon
    cx, cy, radius = W / 2, horizon - 0.1 * H, 0.24 * H
    d = np.sqrt((x - cx) ** 2 + (y - cy) ** 2)
    sun = ramp((y - (cy - radius)) / (1.6 * radius), ((0.0, (255, 240, 120)),
                                                     (1.0, (255, 50, 150))))
    band = (y - cy) / (0.16 * radius)
    gap = np.where(band > 0, (band % 1.0) < 0.1 + 0.08 * band, False)
    disc = smoothstep(radius + 2, radius - 2, d) * (~gap) * (y < horizon)
    glow = np.exp(-np.maximum(d - radius, 0) / (0.18 * H)) * 0.5 * (y < horizon)
    rgb = rgb + glow[..., None] * np.array([255, 80, 120]) * 0.6
    rgb = rgb * (1 - disc[..., None]) + sun * disc[..., None]
    # hills on the horizon
    hx = np.arange(W)
    hills = (0.06 * H * (0.6 + 0.4 * np.sin(hx / W * 9.0 + 1.3)) *
             (0.5 + 0.5 * np.cos(hx / W * 23.0)) * (np.abs(hx - W / 2) > 0.18 * W))
    hill_mask = (y > horizon - hills[None, :]) & (y < horizon)
    rgb[hill_mask] = rgb[hill_mask] * 0.15 + np.array([30, 8, 50]) * 0.85
    # perspective grid with glow
    lines = Image.new("L", (W, H), 0)
    dl = ImageDraw.Draw(lines)
    depth = H - horizon
    for k in range(1, 40):
        z = 0.35 * k ** 1.35
        yy = horizon + depth / (1 + z * 0.55)
        dl.line([(0, yy), (W, yy)], fill=255, width=max(2, int(10 / (1 + z * 0.3))))
    for i in range(-24, 25):
        dl.line([(W / 2 + i * 2, horizon), (W / 2 + i * 0.11 * W * 1.7, H + depth * 0.9)],
                fill=255, width=7)
    grid = np.asarray(lines, float) / 255 * (y > horizon + 2)
    halo = np.asarray(lines.filter(ImageFilter.GaussianBlur(14)), float) / 255 * (y > horizon)
    neon = np.array([255, 60, 210])
    rgb = rgb + halo[..., None] * neon * 0.9
    rgb = rgb * (1 - grid[..., None]) + grid[..., None] * np.array([255, 160, 240])
    horizon_line = np.exp(-((y - horizon) / 6.0) ** 2)
    rgb = rgb + horizon_line[..., None] * np.array([255, 200, 240]) * 0.8
    canvas = to_image(rgb).convert("RGBA")
    text_in_box(canvas, "KV 2007", (0.07 * W, 0.05 * H, 0.93 * W, 0.42 * H), CHROME,
                max_lines=1, shear=0.18)
    text_in_box(canvas, "a Zorblax production", (0.2 * W, 0.84 * H, 0.8 * W, 0.95 * H), ICE,
                max_lines=1)
    return canvas.convert("RGB").resize((1024, 1024), BOX)


def thanks_badge():
    """A sunburst badge: 'THANKS!' across a pink disc, 'Zorblax says' above it."""
    s = 2
    c = 512

    def draw(canvas, pen):
        pen.poly(star_points(c, c, 400, 334, 18), (255, 200, 40))
        pen.poly(star_points(c, c, 364, 322, 18, turn=-80), (255, 150, 30))
        pen.circle(c, c, 318, INK)
        pen.circle(c, c, 304, (235, 60, 130))
        pen.circle(c, c, 270, (250, 95, 160))
        for x, y, r in ((250, 300, 40), (790, 740, 34), (770, 290, 26)):
            sparkle(pen, x, y, r, (255, 250, 235))
        text_in_box(canvas, "Zorblax says", (300 * s, 290 * s, 724 * s, 400 * s), ICE,
                    max_lines=1)
        text_in_box(canvas, "THANKS!", (220 * s, 400 * s, 804 * s, 620 * s), CHROME,
                    max_lines=1, shear=0.15)
        text_in_box(canvas, "to all party people", (300 * s, 620 * s, 724 * s, 720 * s), SUNSET,
                    max_lines=1)
    return cutout_art((1024, 1024), (1024, 1024), s, 8, draw)


# Made-up groups the demo greets, top to bottom.
GREETED_GROUPS = ("Quillfen", "Nybblecore", "Vectorwitch", "Plasmafrog", "Fjordbyte",
                  "Rastermoth", "Sinuskatze", "Octopixel", "Polyfox", "Bitbarn Crew")


def greetings_list():
    """'greetings to' in chrome over a column of greeted group names."""
    s = 2
    top, bottom = 0.2, 0.88                 # the quad overhangs the screen by 8 % top and bottom

    def draw(canvas, pen):
        W = canvas.size[0]
        text_in_box(canvas, "greetings to", (0.1 * W, 0.09 * W, 0.9 * W, 0.21 * W), CHROME,
                    max_lines=1, shear=0.15)
        step = (bottom - top) / len(GREETED_GROUPS)
        styles = (ICE, SUNSET, CANDY, LIME)
        for i, name in enumerate(GREETED_GROUPS):
            y0 = (top + i * step) * W
            text_in_box(canvas, name, (0.15 * W, y0, 0.85 * W, y0 + step * W),
                        styles[i % len(styles)], max_lines=1)
            for side in (0.1, 0.9):
                sparkle(pen, side * 1024, (y0 / s) + step * 512, 16, (255, 250, 230))
    return cutout_art((1024, 1024), (1024, 1024), s, 0, draw)


def riddle_tile():
    """A small purple tile with a big question mark."""
    def draw(canvas, pen):
        pen.rect(16, 16, 240, 240, (90, 40, 150), radius=40)
        pen.rect(30, 30, 226, 226, (120, 60, 190), radius=30)
        text_in_box(canvas, "?", (50 * 4, 36 * 4, 206 * 4, 220 * 4), LIME, max_lines=1)
    return cutout_art((256, 256), (256, 256), 4, 6, draw)


def ribbon_banner():
    """A red ribbon with notched tails, 'ZORBLAX * KV 2007' in gold. The scene shows its quad
    from about 5 % in from the left and down to 89 % of its height."""
    s = 2
    gold = TextStyle(((0.0, (255, 250, 210)), (0.5, (255, 210, 80)), (1.0, (210, 130, 20))),
                     INK, (90, 10, 30), 0.08, 0.06)

    def draw(canvas, pen):
        for flip in (False, True):
            def fx(v):
                return 1536 - v if flip else v
            pen.poly([(fx(84), 170), (fx(250), 170), (fx(250), 420), (fx(84), 420),
                      (fx(150), 295)], (160, 20, 45))
            pen.poly([(fx(200), 340), (fx(260), 340), (fx(260), 420)], (95, 5, 30))
        pen.rect(190, 70, 1346, 350, (215, 35, 60), radius=10)
        pen.rect(190, 210, 1346, 350, (190, 25, 55), radius=10)
        for y in (92, 328):
            pen.line([(206, y), (1330, y)], 8, (255, 205, 80))
        text_in_box(canvas, "ZORBLAX \u00b7 KV 2007", (240 * s, 100 * s, 1296 * s, 320 * s),
                    gold, max_lines=1)
    return cutout_art((1536, 512), (1024, 256), s, 6, draw)

# ---------------------------------------------------------------- photo


def mountain_photo():
    """A dusk panorama: sky with clouds and a low sun, four mountain ranges fading into
    haze, a lake mirroring them, dark pines on the shores."""
    W, H = 2560, 1024                       # 5 by 2, then reduced to 1024 by 512
    rng = np.random.default_rng(75)
    horizon = 0.64 * H
    y = (np.arange(H) + 0.5)[:, None]
    x = (np.arange(W) + 0.5)[None, :]
    rgb = ramp(y / horizon, ((0.0, (24, 30, 80)), (0.45, (110, 80, 150)),
                             (0.8, (240, 140, 120)), (1.0, (255, 200, 150)))) * np.ones((1, W, 1))
    sun_x, sun_y = 0.62 * W, 0.3 * H
    d = np.sqrt((x - sun_x) ** 2 + (y - sun_y) ** 2)
    rgb += (np.exp(-d / (0.12 * H)) * 120)[..., None] * np.array([1.0, 0.8, 0.55])
    rgb = np.where((d < 0.035 * H)[..., None], np.array([255, 240, 200]), rgb)
    clouds = fbm(rng, (W, H), (6, 3), 5)
    cover = smoothstep(0.52, 0.72, clouds) * smoothstep(0.05, 0.2, y / H) * \
        smoothstep(0.5, 0.3, y / H)
    lit = np.exp(-d / (0.5 * H))[..., None]
    cloud_colour = np.array([90, 60, 110]) * (1 - lit) + np.array([255, 170, 150]) * lit
    rgb = rgb * (1 - 0.85 * cover[..., None]) + cloud_colour * 0.85 * cover[..., None]
    # mountain ranges, far to near
    # mountain ranges, far to near: (foot, peak height, peak count, colour), heights in H
    ranges = ((0.50, 0.30, 6, (150, 120, 170)), (0.55, 0.20, 8, (110, 85, 140)),
              (0.60, 0.13, 11, (70, 52, 100)), (0.63, 0.07, 16, (38, 28, 60)))
    columns = np.arange(W, dtype=float)
    for foot, height, count, colour in ranges:
        centres = (np.arange(count) + 0.2 + 0.6 * rng.random(count)) * W / count
        tops = height * (0.45 + 0.55 * rng.random(count))
        slopes = height / (W / count) * (1.1 + rng.random(count))
        cone = np.max(tops[:, None] - slopes[:, None] * np.abs(columns - centres[:, None]), axis=0)
        rough = (fbm(rng, (W, 1), (count * 6, 2), 6)[0] - 0.5) * 0.3 * height
        ridge_y = (foot - np.maximum(cone + rough, 0.02)) * H
        below = y > ridge_y[None, :]
        shade = ramp((y - ridge_y[None, :]) / (0.15 * H), ((0.0, colour),
                     (1.0, tuple(c * 0.7 for c in colour))))
        if height > 0.25:   # snow on the peaks of the highest range
            line = 0.3 * H + rough[None, :] * H * 2
            snow = smoothstep(line + 0.004 * H, line - 0.004 * H, y)
            shade = shade * (1 - snow[..., None]) + np.array([235, 215, 235]) * snow[..., None]
        rgb = np.where(below[..., None], shade, rgb)
    # lake: rippled, darkened mirror image of everything above the shore
    rows = np.arange(H)
    lake = rows >= int(horizon)
    mirror = np.clip((2 * horizon - rows[lake]).astype(int), 0, H - 1)
    depth = (rows[lake] - horizon) / (H - horizon)
    shift = (np.sin(rows[lake] * 0.9) * (2 + 8 * depth)).astype(int)
    reflected = np.stack([np.roll(rgb[m], s, axis=0) for m, s in zip(mirror, shift)])
    runs = np.cumsum(np.pad(reflected, ((0, 0), (8, 8), (0, 0)), mode="edge"), axis=1)
    reflected = (runs[:, 16:] - runs[:, :-16]) / 16          # smeared along the ripples
    water = np.array([20, 30, 70])
    mix = (0.35 + 0.4 * depth)[:, None, None]
    rgb[lake] = reflected * (1 - mix) + water * mix
    glint = np.exp(-((x - sun_x) / (0.03 * W)) ** 2) * (np.sin(y * 1.7) > 0.6) * (y > horizon)
    rgb += glint[..., None] * np.array([200, 160, 120])
    # shore line and pines
    image = to_image(rgb)
    pen = Pen(image, 1)
    pen.rect(0, horizon - 4, W, horizon + 6, (30, 22, 45))
    for tx, height in zip(np.concatenate([rng.random(7) * 0.16, 0.86 + rng.random(6) * 0.14]) * W,
                          rng.random(13) * 0.18 * H + 0.16 * H):
        pen.rect(tx - 6, horizon - 0.04 * height, tx + 6, horizon + 4, (14, 10, 22))
        for k in range(5):
            top = horizon - height + k * height * 0.17
            half = height * (0.12 + 0.06 * k)
            pen.poly([(tx, top), (tx + half, top + height * 0.3), (tx - half, top + height * 0.3)],
                     (14, 10, 22))
    return image.resize((1024, 512), BOX)  # the 5 by 2 quad is 800 pixels wide at most

# ---------------------------------------------------------------- sphere maps

SPHERE_SIZE = 512
SPHERE_RIM = (0.9, 1.0)    # radii between which a map fades to its rim colour


def disc_coordinates(n):
    """x right, y up, both -1..1 across an n by n map, and the radius."""
    c = (np.arange(n) + 0.5) / n * 2 - 1
    x = c[None, :] * np.ones((n, 1))
    y = -c[:, None] * np.ones((1, n))
    return x, y, np.sqrt(x * x + y * y)


def sphere_map(shade, rim):
    """Map whose disc holds shade(x, y, r) and whose rim and corners are the colour `rim`:
    sphere mapping samples only the disc, and a uniform border leaves no seam where
    filtering wraps from one edge to the opposite one."""
    x, y, r = disc_coordinates(SPHERE_SIZE * 2)
    rgb = shade(x, y, r)
    fade = smoothstep(SPHERE_RIM[0], SPHERE_RIM[1], r)[..., None]
    rgb = rgb * (1 - fade) + np.array(rim, float) * fade
    return to_image(rgb).resize((SPHERE_SIZE, SPHERE_SIZE), BOX)


def env_chrome():
    """Chrome reflection: blue sky with a sun above a bright horizon, a magenta checker
    floor below, as a mirror ball would show them."""
    horizon = (255, 225, 235)

    def shade(x, y, r):
        nz = np.sqrt(np.clip(1 - r * r, 0, 1))
        rx, ry, rz = 2 * nz * x, 2 * nz * y, 2 * nz * nz - 1
        sky = ramp(ry, ((0.0, horizon), (0.25, (130, 180, 245)), (1.0, (20, 40, 130))))
        sun = np.clip(rx * 0.45 + ry * 0.55 + rz * 0.7, 0, 1) ** 60
        sky = sky + sun[..., None] * 255
        down = np.maximum(-ry, 1e-3)
        fx, fz = rx / down, rz / down
        checker = (np.floor(fx * 1.5) + np.floor(fz * 1.5)) % 2
        tiles = np.where(checker[..., None] > 0, np.array([220, 60, 170]), np.array([30, 15, 70]))
        fog = 1 - np.exp(-np.sqrt(fx * fx + fz * fz) / 5)
        ground = tiles * (1 - fog[..., None]) + np.array(horizon) * fog[..., None]
        return np.where((ry >= 0)[..., None], sky, ground)
    return sphere_map(shade, horizon)


def env_spiral():
    """Six curling arms from purple through magenta and orange to a pale core."""
    def shade(x, y, r):
        theta = np.arctan2(y, x)
        arms = 0.5 + 0.5 * np.sin(6 * theta + 11 * r)
        glow = np.exp(-(r / 0.18) ** 2)
        t = np.clip(arms * (0.55 + 0.45 * (1 - r)) + glow, 0, 1)
        return ramp(t, ((0.0, (40, 0, 80)), (0.35, (150, 20, 150)), (0.65, (255, 90, 90)),
                        (0.85, (255, 190, 60)), (1.0, (255, 245, 200))))
    return sphere_map(shade, (40, 0, 80))


def env_wave():
    """Concentric water ripples, deep blue to cyan with white crests."""
    def shade(x, y, r):
        theta = np.arctan2(y, x)
        wobble = 0.8 * np.sin(4 * theta) * np.minimum(1.0, r / 0.3)  # none at the pole
        wave = 0.5 + 0.5 * np.cos(2 * math.pi * 5.5 * r + wobble)
        crest = wave ** 8
        t = np.clip(wave * 0.8 + crest * 0.2, 0, 1)
        return ramp(t, ((0.0, (5, 15, 60)), (0.5, (0, 120, 170)), (0.85, (110, 225, 255)),
                        (1.0, (235, 255, 255))))
    return sphere_map(shade, (5, 15, 60))


# Copper bars of the strip map, top to bottom: (centre y, half height, colour).
COPPER_BARS = ((0.78, 0.11, (255, 60, 60)), (0.52, 0.11, (255, 160, 40)),
               (0.26, 0.11, (255, 235, 60)), (0.0, 0.11, (80, 230, 90)),
               (-0.26, 0.11, (60, 210, 255)), (-0.52, 0.11, (70, 100, 255)),
               (-0.78, 0.11, (190, 70, 255)))


def env_copper_bars():
    """Seven rainbow copper bars, gently waving, on near black."""
    def shade(x, y, r):
        wavy = y + 0.04 * np.sin(2 * math.pi * x)
        rgb = np.zeros(x.shape + (3,)) + np.array([10, 5, 20])
        for centre, half, colour in COPPER_BARS:
            i = np.clip(1 - ((wavy - centre) / half) ** 2, 0, 1) ** 0.7
            rgb = rgb + i[..., None] * np.array(colour) + (i ** 10)[..., None] * 200
        return rgb
    return sphere_map(shade, (10, 5, 20))

# ---------------------------------------------------------------- illustrations

ILLUSTRATION_SIZE = 512      # logical drawing space
ILLUSTRATION_TEXELS = 256    # about 320 pixels on screen
ILLUSTRATION_SCALE = 4
ILLUSTRATION_BORDER = 9


def draw_loudspeaker(canvas, p):
    p.rect(62, 190, 150, 322, (90, 100, 130), radius=10)
    p.rect(72, 200, 100, 312, (130, 140, 175), radius=6)
    p.poly([(146, 196), (250, 102), (250, 410), (146, 316)], (150, 165, 205))
    p.poly([(146, 236), (250, 180), (250, 332), (146, 276)], (120, 135, 180))
    p.ellipse(254, 256, 20, 156, INK)
    p.ellipse(254, 256, 11, 146, (80, 90, 125))
    for radius, colour in ((86, (255, 225, 60)), (146, (255, 165, 50)), (206, (255, 95, 150))):
        p.arc(254, 256, radius, -38, 38, 28, INK)
        p.arc(254, 256, radius, -38, 38, 16, colour)


def draw_floppy(canvas, p):
    p.rect(70, 70, 442, 442, (40, 70, 165), radius=22)
    p.poly([(400, 60), (452, 60), (452, 112)], INK + (0,))
    p.rect(84, 84, 428, 110, (70, 105, 200), radius=8)
    p.rect(156, 70, 356, 204, (200, 206, 218), radius=6)
    p.rect(176, 86, 340, 100, (235, 238, 245))
    p.rect(290, 96, 330, 184, (60, 62, 84), radius=4)
    p.rect(120, 256, 392, 442, (245, 244, 232), radius=10)
    for yy in (336, 376, 416):
        p.line([(146, yy), (366, yy)], 6, (170, 180, 215))
    f = font(44 * p.k)
    ImageDraw.Draw(canvas).text((256 * p.k, 296 * p.k), "KV 2007",
                                font=f, fill=(210, 40, 70, 255), anchor="mm")
    p.rect(88, 410, 108, 430, (20, 24, 50))


def draw_joystick(canvas, p):
    p.poly([(100, 350), (412, 350), (450, 450), (62, 450)], (45, 45, 58))
    p.rect(96, 322, 416, 380, (80, 80, 98), radius=26)
    p.ellipse(352, 340, 40, 22, (150, 20, 30))
    p.ellipse(352, 332, 36, 18, (235, 55, 55))
    p.ellipse(256, 350, 54, 20, (25, 25, 32))
    p.line([(256, 345), (256, 170)], 36, (140, 140, 158))
    p.line([(246, 330), (246, 190)], 8, (205, 205, 220))
    p.circle(256, 142, 76, (215, 35, 50))
    p.circle(232, 116, 24, (255, 150, 150))


def draw_mountain(canvas, p):
    p.poly([(34, 456), (228, 168), (292, 236), (332, 196), (478, 456)], (105, 118, 150))
    p.poly([(228, 168), (292, 236), (332, 196), (478, 456), (262, 456)], (78, 88, 122))
    p.poly([(228, 168), (186, 230), (212, 222), (234, 246), (258, 220), (292, 236)],
           (246, 248, 255))
    p.poly([(332, 196), (314, 222), (338, 216), (356, 232)], (246, 248, 255))
    p.line([(228, 172), (228, 50)], 9, (95, 62, 40))
    p.poly([(232, 54), (290, 62), (334, 84), (282, 96), (232, 108)], (230, 40, 60))
    p.poly([(232, 82), (334, 84), (282, 96), (232, 108)], (190, 25, 50))


def draw_rocket(canvas, p):
    layer = Image.new("RGBA", canvas.size, (0, 0, 0, 0))
    q = Pen(layer, p.k)
    q.poly([(214, 392), (298, 392), (284, 440), (256, 500), (228, 440)], (255, 140, 30))
    q.poly([(232, 392), (280, 392), (270, 428), (256, 466), (242, 428)], (255, 230, 90))
    q.poly([(222, 372), (290, 372), (300, 396), (212, 396)], (110, 110, 130))
    q.poly([(206, 286), (146, 376), (146, 410), (206, 372)], (215, 40, 55))
    q.poly([(306, 286), (366, 376), (366, 410), (306, 372)], (215, 40, 55))
    q.ellipse(256, 150, 50, 112, (215, 40, 55))
    q.rect(206, 128, 306, 376, (238, 238, 246), radius=6)
    q.rect(206, 128, 226, 376, (255, 255, 255))
    q.rect(286, 128, 306, 376, (200, 200, 215))
    q.rect(248, 326, 264, 404, (180, 30, 45))
    q.circle(256, 212, 36, (150, 160, 182))
    q.circle(256, 212, 26, (80, 170, 240))
    q.circle(247, 203, 8, (210, 240, 255))
    canvas.alpha_composite(layer.rotate(-28, Image.Resampling.BICUBIC, center=(1024, 1024)))


def draw_globe(canvas, p):
    k = p.k
    centre = (256 * k, 256 * k)

    def ring(half):
        layer = Image.new("RGBA", canvas.size, (0, 0, 0, 0))
        q = Pen(layer, k)
        for r, w, colour in ((222, 40, INK), (222, 26, (240, 200, 70)), (214, 6, (255, 240, 150))):
            q.draw.ellipse([(256 - r) * k, (256 - r * 0.3) * k, (256 + r) * k, (256 + r * 0.3) * k],
                           outline=Pen._rgba(colour), width=round(w * k))
        if half == "back":
            layer.paste((0, 0, 0, 0), (0, 256 * k, canvas.size[0], canvas.size[1]))
        else:
            layer.paste((0, 0, 0, 0), (0, 0, canvas.size[0], 256 * k))
        return layer.rotate(18, Image.Resampling.BICUBIC, center=centre)
    canvas.alpha_composite(ring("back"))
    p.circle(256, 256, 158, INK)
    p.circle(256, 256, 150, (28, 72, 165))
    p.circle(246, 246, 138, (45, 115, 215))
    globe = Image.new("L", canvas.size, 0)
    ImageDraw.Draw(globe).ellipse([106 * k, 106 * k, 406 * k, 406 * k], fill=255)

    def continents(q):
        q.poly([(150, 170), (220, 140), (262, 178), (236, 236), (250, 300), (204, 318),
                (170, 262), (130, 236)], (70, 170, 80))
        q.poly([(290, 150), (360, 170), (392, 230), (350, 250), (318, 214)], (70, 170, 80))
        q.poly([(290, 300), (350, 284), (372, 340), (320, 382), (286, 350)], (70, 170, 80))
        q.poly([(170, 190), (210, 176), (214, 214), (180, 226)], (120, 200, 100))
        q.circle(200, 190, 30, (120, 180, 250))
    clipped(canvas, globe, continents, k)
    canvas.alpha_composite(ring("front"))


def draw_coffee(canvas, p):
    for sx in (200, 256, 312):
        pts = [(sx + 16 * math.sin(t / 6.0 * math.pi * 2 + sx), 214 - t * 26) for t in range(7)]
        p.line(pts, 28, INK)
        p.line(pts, 14, (236, 242, 255))
    p.ellipse(256, 424, 196, 46, (215, 215, 230))
    p.ellipse(256, 418, 126, 24, (190, 190, 210))
    p.arc(382, 316, 46, -90, 90, 40, INK)
    p.arc(382, 316, 46, -90, 90, 24, (245, 230, 205))
    p.poly([(134, 256), (378, 256), (352, 400), (160, 400)], (245, 230, 205))
    p.ellipse(256, 398, 96, 22, (245, 230, 205))
    p.poly([(140, 290), (372, 290), (366, 322), (146, 322)], (210, 55, 60))
    p.ellipse(256, 256, 124, 32, (250, 242, 225))
    p.ellipse(256, 260, 106, 22, (110, 62, 30))
    p.ellipse(236, 256, 40, 8, (160, 100, 60))


def draw_star(canvas, p):
    pts = star_points(256, 268, 232, 94, 5)
    for i in range(10):
        a, b = pts[i], pts[(i + 1) % 10]
        p.poly([(256, 268), a, b], (255, 230, 80) if i % 2 == 0 else (240, 170, 20))
    sparkle(p, 420, 96, 26, (255, 255, 240))


def draw_door(canvas, p):
    p.rect(120, 34, 392, 474, (92, 56, 32), radius=6)
    p.rect(144, 58, 368, 474, (178, 106, 54))
    for y0, y1 in ((88, 240), (280, 444)):
        p.rect(172, y0, 340, y1, (140, 80, 38), radius=8)
        p.rect(184, y0 + 12, 328, y1 - 12, (190, 118, 62), radius=6)
        p.line([(184, y1 - 14), (328, y1 - 14)], 5, (120, 68, 32))
    p.circle(338, 262, 18, INK)
    p.circle(338, 262, 13, (245, 205, 70))
    p.rect(332, 284, 344, 306, INK, radius=4)
    p.rect(96, 466, 416, 486, (120, 120, 136), radius=4)


def draw_sun(canvas, p):
    for i in range(12):
        a = math.radians(i * 30)
        tip = (256 + 236 * math.cos(a), 256 + 236 * math.sin(a))
        left = (256 + 150 * math.cos(a - 0.22), 256 + 150 * math.sin(a - 0.22))
        right = (256 + 150 * math.cos(a + 0.22), 256 + 150 * math.sin(a + 0.22))
        p.poly([left, tip, right], (255, 150, 30) if i % 2 == 0 else (255, 190, 40))
    p.circle(256, 256, 150, INK)
    p.circle(256, 256, 140, (255, 200, 40))
    p.circle(246, 246, 118, (255, 225, 70))
    p.circle(208, 206, 34, (255, 248, 190))


def draw_moon(canvas, p):
    p.circle(236, 262, 196, (250, 238, 165))
    p.circle(206, 292, 150, (235, 215, 130))
    for cx, cy, r in ((108, 300, 20), (150, 400, 26), (90, 200, 14)):
        p.circle(cx, cy, r, (215, 195, 115))
    p.circle(330, 206, 170, INK + (0,))
    sparkle(p, 404, 372, 34, (255, 252, 220))
    sparkle(p, 440, 250, 20, (255, 252, 220))


def draw_crown(canvas, p):
    body = [(92, 336), (80, 150), (176, 254), (256, 106), (336, 254), (432, 150), (420, 336)]
    p.poly(body, (250, 205, 60))
    p.poly([(256, 106), (336, 254), (432, 150), (420, 336), (256, 336)], (232, 178, 40))
    p.rect(88, 322, 424, 410, (240, 185, 40), radius=8)
    p.line([(96, 334), (416, 334)], 8, (185, 130, 20))
    p.line([(96, 398), (416, 398)], 8, (185, 130, 20))
    for cx, cy in ((80, 150), (256, 106), (432, 150)):
        p.circle(cx, cy, 24, (255, 236, 130))
        p.circle(cx - 7, cy - 7, 8, (255, 255, 230))
    for cx, colour in ((160, (220, 30, 60)), (256, (40, 110, 230)), (352, (40, 180, 80))):
        p.circle(cx, 366, 24, INK)
        p.circle(cx, 366, 19, colour)
        p.circle(cx - 6, 360, 6, (255, 255, 255))


def draw_lightning(canvas, p):
    bolt = [(304, 24), (132, 286), (246, 286), (180, 492), (392, 204), (274, 204), (352, 24)]
    p.poly(bolt, (250, 150, 20))
    mask = Image.new("L", canvas.size, 0)
    ImageDraw.Draw(mask).polygon([(x * p.k, y * p.k) for x, y in bolt], fill=255)

    def face(q):
        q.poly([(x - 12, y - 6) for x, y in bolt], (255, 228, 60))
    clipped(canvas, mask, face, p.k)
    sparkle(p, 96, 120, 26, (255, 255, 230))
    sparkle(p, 420, 400, 20, (255, 255, 230))


ILLUSTRATIONS = {
    "loudspeaker with sound waves": draw_loudspeaker,
    "floppy disk": draw_floppy,
    "joystick": draw_joystick,
    "mountain peak with a flag": draw_mountain,
    "rocket": draw_rocket,
    "globe with a ring around it": draw_globe,
    "steaming coffee cup": draw_coffee,
    "five-pointed star": draw_star,
    "door": draw_door,
    "sun": draw_sun,
    "crescent moon": draw_moon,
    "crown": draw_crown,
    "lightning bolt": draw_lightning,
}


def illustration(name, subject):
    """Square sticker of `subject` with an ink border, on a clear background."""
    if subject not in ILLUSTRATIONS:
        raise SystemExit(f"{name}: no drawing for subject {subject!r}")
    n = ILLUSTRATION_SIZE
    return cutout_art((n, n), (ILLUSTRATION_TEXELS, ILLUSTRATION_TEXELS), ILLUSTRATION_SCALE,
                      ILLUSTRATION_BORDER,
                      ILLUSTRATIONS[subject])
