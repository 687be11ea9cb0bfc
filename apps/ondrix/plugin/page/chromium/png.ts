// Reads the colour of a pixel of a screenshot: 8-bit RGB or RGBA PNG, not interlaced, which is
// what both engines' screenshots are.
import { inflateSync } from 'node:zlib';

export interface Picture {
  width: number;
  height: number;
  /** The pixel at (x, y) as "#rrggbb". */
  at(x: number, y: number): string;
}

export function readPng(png: Buffer): Picture {
  const chunks: Buffer[] = [];
  let width = 0;
  let height = 0;
  let channels = 0;
  for (let at = 8; at < png.length; ) {
    const length = png.readUInt32BE(at);
    const type = png.toString('latin1', at + 4, at + 8);
    const data = png.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      const [depth, colour, , , interlace] = data.subarray(8);
      channels = colour === 6 ? 4 : colour === 2 ? 3 : 0;
      if (depth !== 8 || channels === 0 || interlace !== 0) throw new Error('unsupported PNG');
    } else if (type === 'IDAT') chunks.push(data);
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(chunks));
  const stride = width * channels;
  const pixels = Buffer.alloc(height * stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = pixels.subarray(y * stride, (y + 1) * stride);
    const up = (i: number) => (y > 0 ? pixels[(y - 1) * stride + i] : 0);
    for (let i = 0; i < stride; i++) {
      const left = i >= channels ? out[i - channels] : 0;
      const corner = i >= channels ? up(i - channels) : 0;
      const p = left + up(i) - corner;
      const paeth = (() => {
        const [pa, pb, pc] = [Math.abs(p - left), Math.abs(p - up(i)), Math.abs(p - corner)];
        return pa <= pb && pa <= pc ? left : pb <= pc ? up(i) : corner;
      })();
      const predicted = [0, left, up(i), (left + up(i)) >> 1, paeth][filter];
      out[i] = (line[i] + predicted) & 0xff;
    }
  }
  const hex = (v: number) => v.toString(16).padStart(2, '0');
  return {
    width,
    height,
    at(x, y) {
      const i = Math.round(y) * stride + Math.round(x) * channels;
      return `#${hex(pixels[i])}${hex(pixels[i + 1])}${hex(pixels[i + 2])}`;
    },
  };
}
