// The page fills any window from 400 x 300 up and stays sharp at 100, 150 and 200 % scaling.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { launchBrowser, openPage, artefactDir, deliver, hostMessage } from './harness.mjs';

let browser;
before(async () => { browser = await launchBrowser(); });
after(async () => { await browser.close(); });

// Everything that must be seen, with its box; plus the document's scroll extent.
function measure() {
  const box = el => { const r = el.getBoundingClientRect(); return { left: r.left, top: r.top, right: r.right, bottom: r.bottom }; };
  const pick = sel => [...document.querySelectorAll(sel)].map(el => ({ sel, ...box(el), clipped: el.scrollWidth > el.clientWidth + 1 }));
  return {
    width: innerWidth, height: innerHeight,
    scrollWidth: document.documentElement.scrollWidth, scrollHeight: document.documentElement.scrollHeight,
    parts: [...pick('.name'), ...pick('.maker'), ...pick('.scope'), ...pick('.readout'), ...pick('.plot'),
      ...pick('.control'), ...pick('.knob'), ...pick('.value'), ...pick('.caption'), ...pick('.freq'), ...pick('#sweep')],
    scope: box(document.querySelector('.scope')),
    controls: box(document.querySelector('.controls')),
  };
}

function assertFits(m, label) {
  assert.ok(m.scrollWidth <= m.width && m.scrollHeight <= m.height, `${label}: document scrolls`);
  for (const p of m.parts) {
    assert.ok(p.left >= 0 && p.top >= 0 && p.right <= m.width + 0.5 && p.bottom <= m.height + 0.5,
      `${label}: ${p.sel} outside the window: ${JSON.stringify(p)}`);
    assert.ok(!p.clipped, `${label}: ${p.sel} text is cut off`);
  }
  assert.ok(m.scope.bottom <= m.controls.top, `${label}: display overlaps the controls`);
  // Fills the window: the panels reach close to every edge.
  const margin = Math.max(30, m.width * 0.04);
  assert.ok(m.scope.left < margin && m.width - m.scope.right < margin, `${label}: display does not span the width`);
  assert.ok(m.height - m.controls.bottom < margin, `${label}: controls do not reach the bottom`);
  assert.ok(m.scope.bottom - m.scope.top > m.height * 0.25, `${label}: display too small`);
}

test('fits without scrolling or clipping from 400 x 300 to 1200 x 900 and beyond', async () => {
  for (const [width, height] of [[400, 300], [800, 600], [1200, 900], [1000, 420], [520, 760], [1920, 1080]]) {
    const { page, context, errors } = await openPage(browser, { width, height });
    assertFits(await page.evaluate(measure), `${width}x${height}`);
    assert.deepEqual(errors, []);
    await context.close();
  }
});

test('the display keeps its proportions while values change', async () => {
  for (const [width, height] of [[400, 300], [800, 600]]) {
    const { page, context } = await openPage(browser, { width, height });
    const plotWidth = () => page.locator('.plot').evaluate(p => p.getBoundingClientRect().width);
    const before = await plotWidth();
    for (const [index, value] of [[1, 15], [0, 7], [3, 0], [3, 255], [0, 0], [3, 128]]) {
      await deliver(page, hostMessage(index, value));
      assertFits(await page.evaluate(measure), `${width}x${height} after ${index}=${value}`);
      assert.equal(await plotWidth(), before, `plot width changed after ${index}=${value}`);
    }
    await context.close();
  }
});

test('follows the window as it is resized', async () => {
  const { page, context } = await openPage(browser, { width: 1200, height: 900 });
  const knobWidth = () => page.locator('.knob').first().evaluate(k => k.getBoundingClientRect().width);
  const large = await knobWidth();
  await page.setViewportSize({ width: 400, height: 300 });
  await page.waitForTimeout(100);
  assertFits(await page.evaluate(measure), 'resized to 400x300');
  assert.ok(await knobWidth() < large / 2, 'controls did not shrink with the window');
  const canvasWidth = await page.locator('canvas').evaluate(c => c.width);
  await page.setViewportSize({ width: 800, height: 600 });
  await page.waitForTimeout(100);
  assert.ok(await page.locator('canvas').evaluate(c => c.width) > canvasWidth, 'response display did not grow');
  await context.close();
});

test('renders at device pixels for 100, 150 and 200 % scaling', async () => {
  for (const scale of [1, 1.5, 2]) {
    const { page, context, errors } = await openPage(browser, { width: 800, height: 600, scale });
    await page.waitForTimeout(150);
    const c = await page.locator('canvas').evaluate(el => {
      const r = el.getBoundingClientRect();
      const data = el.getContext('2d').getImageData(0, 0, el.width, el.height).data;
      let lit = 0;
      for (let i = 3; i < data.length; i += 4) if (data[i] > 0) lit++;
      return { width: el.width, height: el.height, cssWidth: r.width, cssHeight: r.height, dpr: devicePixelRatio, lit };
    });
    assert.equal(c.dpr, scale);
    assert.ok(Math.abs(c.width - c.cssWidth * scale) <= 1, `backing width ${c.width} for ${c.cssWidth} css px at ${scale}`);
    assert.ok(Math.abs(c.height - c.cssHeight * scale) <= 1, `backing height ${c.height} for ${c.cssHeight} css px at ${scale}`);
    assert.ok(c.lit > c.width * c.height * 0.05, 'response display is empty');
    // The knobs are vector graphics and scale with the page.
    assert.equal(await page.locator('.knob svg').count(), 3);
    assert.deepEqual(errors, []);
    await context.close();
  }
});

test('picks up a new scaling without a resize', async () => {
  const { page, context } = await openPage(browser, { width: 800, height: 600, scale: 1 });
  const cdp = await context.newCDPSession(page);
  await cdp.send('Emulation.setDeviceMetricsOverride', { width: 800, height: 600, deviceScaleFactor: 2, mobile: false });
  await deliver(page, hostMessage(3, 120));
  await page.waitForTimeout(150);
  const c = await page.locator('canvas').evaluate(el => ({ width: el.width, css: el.getBoundingClientRect().width, dpr: devicePixelRatio }));
  assert.equal(c.dpr, 2);
  assert.ok(Math.abs(c.width - c.css * 2) <= 1, `backing width ${c.width} for ${c.css} css px after the change`);
  await context.close();
});

test('screenshots for review', async () => {
  fs.mkdirSync(artefactDir, { recursive: true });
  for (const [width, height, scale] of [[800, 600, 1], [400, 300, 1], [1200, 900, 1], [800, 600, 2]]) {
    const { page, context } = await openPage(browser, { width, height, scale });
    await deliver(page, hostMessage(1, 9));
    await deliver(page, hostMessage(0, 12));
    await deliver(page, hostMessage(3, 221));
    await page.waitForTimeout(300);
    const file = path.join(artefactDir, `velmo-${width}x${height}@${scale}x.png`);
    await page.screenshot({ path: file });
    assert.ok(fs.statSync(file).size > 10000);
    await context.close();
  }
});
