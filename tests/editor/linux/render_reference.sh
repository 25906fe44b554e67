#!/bin/sh
# render_reference.sh PAGE OUT.png CUTOFF LFO_AMT LFO_SPEED MOD_CUTOFF [WIDTH HEIGHT]
# The editor page as headless Chromium draws it when the host has sent these four values: the
# reference that screenshots of the page inside a plug-in host are compared with.
set -eu
page=$1 out=$2
width=${7:-800} height=${8:-600}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A stand-in for the host channel answers the page's "g" with the four values. Animation frames
# run on timers, which headless Chromium's virtual time drives to the end, so that the curve has
# finished easing towards the values when the picture is taken.
cat > "$work/channel.js" <<JS
(function () {
  window.requestAnimationFrame = callback => setTimeout(() => callback(performance.now()), 16);
  const values = [$3, $4, $5, $6];
  const target = new EventTarget();
  const bits = v => { const d = new DataView(new ArrayBuffer(4)); d.setFloat32(0, v);
                      return d.getUint32(0).toString(16).padStart(8, '0'); };
  window.chrome = { webview: {
    postMessage(m) {
      if (m !== 'g') return;
      values.forEach((v, i) => setTimeout(() => target.dispatchEvent(new MessageEvent('message',
        { data: 's ' + i.toString(16).padStart(8, '0') + ' ' + bits(v) })), 0));
    },
    addEventListener: (t, f) => target.addEventListener(t, f),
    removeEventListener: (t, f) => target.removeEventListener(t, f),
  } };
})();
JS
sed 's|<head>|<head><script src="channel.js"></script>|' "$page" > "$work/index.html"
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor=1 \
  --user-data-dir="$work/profile" --window-size="$width,$height" --virtual-time-budget=8000 \
  --screenshot="$out" "file://$work/index.html" >/dev/null 2>&1
test -s "$out"
