// Shared set-up for the page tests: Debian's Chromium driven by playwright-core,
// the page loaded from disk, and a stand-in for the WebView2 host channel.
import { chromium } from 'playwright-core';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const pageUrl = pathToFileURL(path.join(here, '..', 'index.html')).href;
export const artefactDir = process.env.VELMO_WEB_ARTIFACTS || path.join(here, '..', 'test-results');

// launch() gives every run a fresh temporary profile of its own.
export function launchBrowser() {
  return chromium.launch({
    executablePath: process.env.VELMO_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
    ],
  });
}

// Records what the page posts and lets a test deliver host messages, the way
// window.chrome.webview does inside the plug-in.
function installHostStandIn() {
  const listeners = [];
  window.__posted = [];
  window.__deliver = data => { for (const fn of listeners) fn({ data }); };
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    postMessage(message) { window.__posted.push(message); },
    addEventListener(type, fn) { if (type === 'message') listeners.push(fn); },
    removeEventListener() {},
  };
}

// Opens the page in a new context. Collects page errors, console errors and
// every request so tests can show the page stays local and clean.
export async function openPage(browser, { width = 800, height = 600, scale = 1, host = true } = {}) {
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: scale });
  const page = await context.newPage();
  const errors = [];
  const requests = [];
  page.on('pageerror', e => errors.push(String(e)));
  page.on('console', m => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('request', r => requests.push(r.url()));
  if (host) await page.addInitScript(installHostStandIn);
  await page.goto(pageUrl);
  await page.waitForFunction(() => document.querySelectorAll('[role=slider]').length === 3);
  return { context, page, errors, requests };
}

export const posted = page => page.evaluate(() => window.__posted.slice());
export const clearPosted = page => page.evaluate(() => { window.__posted.length = 0; });
export const deliver = (page, text) => page.evaluate(t => window.__deliver(t), text);

// The message text the host would build for (index, value): "s %08x %08x".
export function hostMessage(index, value) {
  const view = new DataView(new ArrayBuffer(4));
  view.setFloat32(0, value);
  return 's ' + index.toString(16).padStart(8, '0') + ' ' + view.getUint32(0).toString(16).padStart(8, '0');
}

export const sliders = page => page.locator('[role=slider]');
