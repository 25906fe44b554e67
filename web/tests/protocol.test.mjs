// What the page says to the host for each gesture, and what it does with host messages.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { launchBrowser, openPage, posted, clearPosted, deliver, hostMessage, sliders } from './harness.mjs';

let browser;
before(async () => { browser = await launchBrowser(); });
after(async () => { await browser.close(); });

const bits = value => {
  const view = new DataView(new ArrayBuffer(4));
  view.setFloat32(0, value);
  return view.getUint32(0).toString(16).padStart(8, '0');
};
const msg = (letter, index, value) => `${letter} ${index.toString(16)} ${bits(value)}`;

async function withPage(fn, options) {
  const session = await openPage(browser, options);
  try {
    await fn(session.page, session);
    assert.deepEqual(session.errors, []);
  } finally {
    await session.context.close();
  }
}

async function centre(locator) {
  const box = await locator.boundingBox();
  return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
}

// Moves the mouse one pixel at a time, so every step boundary is crossed by its own event.
async function dragBy(page, from, dy) {
  const direction = Math.sign(dy);
  for (let i = 1; i <= Math.abs(dy); i++) await page.mouse.move(from.x, from.y + direction * i);
}

test('asks for the host values exactly once, and first', async () => {
  await withPage(async page => {
    await page.waitForTimeout(200);
    await sliders(page).nth(1).focus();
    await page.keyboard.press('ArrowUp');
    const sent = await posted(page);
    assert.equal(sent[0], 'g');
    assert.equal(sent.filter(m => m.startsWith('g')).length, 1);
  });
});

test('a drag is b at grab, s per whole step, e at release', async () => {
  await withPage(async page => {
    const cutoff = sliders(page).nth(0);
    const at = await centre(cutoff);
    await clearPosted(page);
    await page.mouse.move(at.x, at.y);
    await page.mouse.down();
    await dragBy(page, at, 25);   // 8 px per step, downwards lowers: 15 -> 12
    await page.mouse.up();
    assert.deepEqual(await posted(page), [
      msg('b', 0, 15), msg('s', 0, 14), msg('s', 0, 13), msg('s', 0, 12), msg('e', 0, 12),
    ]);
    assert.equal(await cutoff.getAttribute('aria-valuenow'), '12');
    assert.equal(await page.locator('.control').nth(0).locator('.value-num').textContent(), '12');
  });
});

test('a drag past the end keeps no slack and a press without movement changes nothing', async () => {
  await withPage(async page => {
    const cutoff = sliders(page).nth(0);
    const at = await centre(cutoff);
    await page.mouse.move(at.x, at.y);
    await page.mouse.down();
    await dragBy(page, at, -40);  // already at 15: nothing to send
    const top = { x: at.x, y: at.y - 40 };
    await dragBy(page, top, 8);   // the first step back counts at once
    await page.mouse.up();
    assert.deepEqual((await posted(page)).slice(1), [msg('b', 0, 15), msg('s', 0, 14), msg('e', 0, 14)]);

    await clearPosted(page);
    await page.waitForTimeout(600);  // no double press
    await page.mouse.down();
    await page.mouse.up();
    assert.deepEqual(await posted(page), [msg('b', 0, 14), msg('e', 0, 14)]);
  });
});

test('a wheel notch is one whole gesture, and nothing is sent at either end', async () => {
  await withPage(async page => {
    const amount = sliders(page).nth(1);
    const at = await centre(amount);
    await page.mouse.move(at.x, at.y);
    await clearPosted(page);
    await page.mouse.wheel(0, -100);
    await page.mouse.wheel(0, -100);
    await page.mouse.wheel(0, 100);
    await page.waitForTimeout(100);
    assert.deepEqual(await posted(page), [
      msg('b', 1, 1), msg('s', 1, 1), msg('e', 1, 1),
      msg('b', 1, 2), msg('s', 1, 2), msg('e', 1, 2),
      msg('b', 1, 1), msg('s', 1, 1), msg('e', 1, 1),
    ]);
    await clearPosted(page);
    await page.mouse.wheel(0, 100);   // 1 -> 0
    await page.mouse.wheel(0, 100);   // stays at 0
    await page.waitForTimeout(100);
    assert.deepEqual(await posted(page), [msg('b', 1, 0), msg('s', 1, 0), msg('e', 1, 0)]);

    // Touchpad-sized pieces add up to one step.
    await clearPosted(page);
    for (let i = 0; i < 3; i++) await page.mouse.wheel(0, -15);
    await page.waitForTimeout(100);
    assert.deepEqual(await posted(page), [msg('b', 1, 1), msg('s', 1, 1), msg('e', 1, 1)]);
  });
});

test('keys step, page, jump to the ends, and stay quiet when nothing changes', async () => {
  await withPage(async page => {
    const speed = sliders(page).nth(2);
    await speed.focus();
    await clearPosted(page);
    const steps = [['ArrowUp', 8], ['ArrowRight', 9], ['PageDown', 4], ['ArrowDown', 3], ['ArrowLeft', 2],
      ['PageUp', 7], ['Home', 0], ['Home', null], ['ArrowDown', null], ['End', 15], ['PageUp', null]];
    const expected = [];
    for (const [key, value] of steps) {
      await page.keyboard.press(key);
      if (value !== null) expected.push(msg('b', 2, value), msg('s', 2, value), msg('e', 2, value));
    }
    assert.deepEqual(await posted(page), expected);
    assert.equal(await speed.getAttribute('aria-valuenow'), '15');
    assert.match(await speed.getAttribute('aria-valuetext'), /^15, 25\.00 Hz$/);
  });
});

test('double-click resets to the default with a gesture of its own', async () => {
  await withPage(async page => {
    const knobs = sliders(page);
    await knobs.nth(0).focus();
    await page.keyboard.press('PageDown');   // cutoff 15 -> 10
    await knobs.nth(2).focus();
    await page.keyboard.press('End');        // speed 7 -> 15
    await clearPosted(page);
    await knobs.nth(0).dblclick();
    await knobs.nth(2).dblclick();
    assert.deepEqual(await posted(page), [
      msg('b', 0, 10), msg('e', 0, 10), msg('b', 0, 15), msg('s', 0, 15), msg('e', 0, 15),
      msg('b', 2, 15), msg('e', 2, 15), msg('b', 2, 7), msg('s', 2, 7), msg('e', 2, 7),
    ]);
    assert.equal(await knobs.nth(0).getAttribute('aria-valuenow'), '15');
    assert.equal(await knobs.nth(2).getAttribute('aria-valuenow'), '7');

    // Two presses far apart in time are two plain presses.
    await clearPosted(page);
    await knobs.nth(1).click();
    await page.waitForTimeout(600);
    await knobs.nth(1).click();
    assert.deepEqual(await posted(page), [msg('b', 1, 0), msg('e', 1, 0), msg('b', 1, 0), msg('e', 1, 0)]);
  });
});

test('shows what the host sends, including the modulated cutoff, without echoing it', async () => {
  await withPage(async page => {
    await clearPosted(page);
    await deliver(page, hostMessage(0, 4));
    await deliver(page, hostMessage(1, 9));
    await deliver(page, hostMessage(2, 0));
    await deliver(page, hostMessage(3, 100));
    const knobs = sliders(page);
    assert.equal(await knobs.nth(0).getAttribute('aria-valuenow'), '4');
    assert.equal(await knobs.nth(1).getAttribute('aria-valuenow'), '9');
    assert.equal(await knobs.nth(2).getAttribute('aria-valuenow'), '0');
    assert.equal(await page.locator('.control').nth(2).locator('.value-hint').textContent(), '0.39 Hz');
    // cutoff_curve[100] = 79 register steps (508 Hz): the band peaks at 253 Hz
    const meter = page.getByRole('meter', { name: 'Modulated Cutoff' });
    assert.equal(await meter.getAttribute('aria-valuenow'), '100');
    assert.equal(await page.locator('#mod-value').textContent(), '100');
    assert.equal(await page.locator('#mod-freq').textContent(), '253');
    assert.equal(await page.locator('#mod-unit').textContent(), 'Hz');
    await deliver(page, hostMessage(3, 255));   // 342 steps (2199 Hz): the band peaks at 1082 Hz
    assert.equal(await page.locator('#mod-freq').textContent(), '1.08');
    assert.equal(await page.locator('#mod-unit').textContent(), 'kHz');
    const level = () => page.locator('#mod-meter').evaluate(e => e.getBoundingClientRect().height / e.parentElement.clientHeight);
    assert.ok(Math.abs(await level() - 1) < 0.01);
    await deliver(page, hostMessage(3, 51));
    assert.ok(Math.abs(await level() - 0.2) < 0.01);
    assert.deepEqual(await posted(page), []);
  });
});

test('ignores malformed host messages and out-of-range values safely', async () => {
  await withPage(async page => {
    for (const text of ['x 00000000 41200000', 's', 's 00000009 40000000', 's 00000000 7fc00000',
      's zz 40000000', 's 00000001', '', 'g']) {
      await deliver(page, text);
    }
    await page.evaluate(() => window.__deliver({ not: 'a string' }));
    const knobs = sliders(page);
    assert.deepEqual(await knobs.evaluateAll(ks => ks.map(k => k.getAttribute('aria-valuenow'))), ['15', '0', '7']);
    await deliver(page, hostMessage(1, 40));    // beyond the range: clamped
    await deliver(page, hostMessage(3, -5));
    assert.equal(await knobs.nth(1).getAttribute('aria-valuenow'), '15');
    assert.equal(await page.locator('#mod-value').textContent(), '0');
    assert.deepEqual(await posted(page), ['g']);
  });
});

test('a host value for the control being dragged does not move it', async () => {
  await withPage(async page => {
    const cutoff = sliders(page).nth(0);
    const at = await centre(cutoff);
    await page.mouse.move(at.x, at.y);
    await page.mouse.down();
    await dragBy(page, at, 8);                 // 14
    await deliver(page, hostMessage(0, 3));
    await deliver(page, hostMessage(1, 6));    // another control still follows the host
    await dragBy(page, { x: at.x, y: at.y + 8 }, 8);  // 13
    await page.mouse.up();
    assert.equal(await cutoff.getAttribute('aria-valuenow'), '13');
    assert.equal(await sliders(page).nth(1).getAttribute('aria-valuenow'), '6');
    assert.equal((await posted(page)).at(-1), msg('e', 0, 13));
  });
});

test('controls are focusable sliders with a visible focus ring', async () => {
  await withPage(async page => {
    const knobs = sliders(page);
    const names = [];
    for (let i = 0; i < 3; i++) names.push(await knobs.nth(i).evaluate(k => document.getElementById(k.getAttribute('aria-labelledby')).textContent));
    assert.deepEqual(names, ['Cutoff', 'LFO Amount', 'LFO Speed']);
    assert.deepEqual(await knobs.evaluateAll(ks => ks.map(k => [k.tabIndex, k.getAttribute('aria-valuemin'), k.getAttribute('aria-valuemax')])),
      [[0, '0', '15'], [0, '0', '15'], [0, '0', '15']]);
    await page.keyboard.press('Tab');   // the maker's link
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.getAttribute('aria-labelledby')), 'label-0');
    await page.waitForTimeout(250);
    const ring = await knobs.nth(0).locator('.focus-ring').evaluate(r => getComputedStyle(r).opacity);
    assert.equal(ring, '1');
    const other = await knobs.nth(1).locator('.focus-ring').evaluate(r => getComputedStyle(r).opacity);
    assert.equal(other, '0');
  });
});

test('the maker link is a plain navigation of the page itself, for the host to hand on', async () => {
  await withPage(async (page, session) => {
    const popups = [];
    session.context.on('page', p => popups.push(p.url()));
    await page.route('https://brindle.digital/**', route => route.abort());
    const link = page.getByRole('link', { name: /Brindle/ });
    assert.equal(await link.getAttribute('target'), null);
    const [request] = await Promise.all([
      page.waitForRequest(r => r.url().startsWith('https://brindle.digital')),
      link.click(),
    ]);
    assert.equal(request.url(), 'https://brindle.digital/');
    assert.ok(request.isNavigationRequest());
    assert.equal(request.frame(), page.mainFrame());
    assert.deepEqual(popups, []);
  });
});
