// Opened in a plain browser (no WebView2 host), the page still works and stays local.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { launchBrowser, openPage, pageUrl, sliders } from './harness.mjs';

let browser;
before(async () => { browser = await launchBrowser(); });
after(async () => { await browser.close(); });

test('works without the host channel and runs its own LFO preview', async () => {
  const { page, context, errors, requests } = await openPage(browser, { host: false });
  assert.equal(await page.evaluate(() => typeof window.chrome?.webview), 'undefined');
  const knobs = sliders(page);
  await knobs.nth(1).focus();
  await page.keyboard.press('End');            // full LFO depth
  await knobs.nth(0).dblclick();
  const amount = await knobs.nth(1).getAttribute('aria-valuenow');
  assert.equal(amount, '15');
  const seen = new Set();
  for (let i = 0; i < 12; i++) {
    seen.add(await page.locator('#mod-value').textContent());
    await page.waitForTimeout(40);
  }
  assert.ok(seen.size > 3, `modulated cutoff did not move: ${[...seen]}`);
  assert.match(await page.locator('#sweep').textContent(), /Hz/);
  assert.deepEqual(errors, []);
  assert.deepEqual(requests, [pageUrl]);
  await context.close();
});

test('names the product and maker, links to the maker site, and offers no browser menu', async () => {
  const { page, context } = await openPage(browser, { host: false });
  const link = page.getByRole('link', { name: /Brindle/ });
  assert.equal(await link.getAttribute('href'), 'https://brindle.digital');
  assert.equal(await link.getAttribute('target'), '_blank');   // a plain browser keeps the page open
  assert.match(await link.textContent(), /Brindle\s*\.DIGITAL/);
  assert.match(await page.locator('h1').textContent(), /^Velmo$/);
  const menuBlocked = await page.evaluate(() => !document.querySelector('.scope')
    .dispatchEvent(new MouseEvent('contextmenu', { bubbles: true, cancelable: true })));
  assert.equal(menuBlocked, true);
  await context.close();
});
