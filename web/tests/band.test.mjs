// The page shows where the band really peaks: tests/engine/band_peaks.txt holds the peaks
// that sine tones through the engine measure (tests/engine/band_peak_test.cpp), and the
// page's readout, knob hint and curve must agree with them.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchBrowser, openPage, deliver, hostMessage, sliders } from './harness.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const measured = fs.readFileSync(path.join(here, '..', '..', 'tests', 'engine', 'band_peaks.txt'), 'utf8')
  .split('\n').filter(line => line && !line.startsWith('#'))
  .map(line => line.split(/\s+/).map(Number))
  .map(([cutoff, modulated, curveHz, peakHz]) => ({ cutoff, modulated, curveHz, peakHz }));
const shown = hz => (hz >= 1000 ? (hz / 1000).toFixed(2) + ' kHz' : Math.round(hz) + ' Hz');

let browser;
before(async () => { browser = await launchBrowser(); });
after(async () => { await browser.close(); });

test('readout, cutoff hint and curve peak where the engine measurably peaks', async () => {
  assert.equal(measured.length, 16);
  const { page, context, errors } = await openPage(browser);
  const cutoff = sliders(page).nth(0);
  for (const row of measured) {
    await deliver(page, hostMessage(0, row.cutoff));
    await deliver(page, hostMessage(3, row.modulated));
    const readout = await page.locator('#mod-freq').textContent() + ' ' + await page.locator('#mod-unit').textContent();
    assert.equal(readout, shown(row.peakHz), `cutoff ${row.cutoff}`);
    assert.match(await cutoff.getAttribute('aria-valuetext'), new RegExp(`^${row.cutoff}, ${shown(row.peakHz)}$`));
    // The drawn curve's loudest point, on a fine grid, is the measured peak too.
    const curvePeak = await page.evaluate(m => {
      const fc = cutoffHz(m);
      let best = 0, bestHz = 0;
      for (let hz = 20; hz < 20000; hz *= 1.0005) if (bandGain(hz, fc) > best) best = bandGain(hz, fc), bestHz = hz;
      return bestHz;
    }, row.modulated);
    assert.ok(Math.abs(curvePeak / row.peakHz - 1) < 0.002, `cutoff ${row.cutoff}: curve peaks at ${curvePeak} Hz`);
    assert.ok(row.peakHz < 0.52 * row.curveHz, 'about half the curve value');
  }
  assert.deepEqual(errors, []);
  await context.close();
});
