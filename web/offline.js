// Makes the page served over http(s) an app to install, kept by a service
// worker (sw.js) for use with no network. Opened from disk the page has
// neither and works as it is. Nothing here may hold up or break the start
// window.
'use strict';

(function () {
  if (location.protocol !== 'http:' && location.protocol !== 'https:') return;

  // Linked from here, not from the page: from disk the browser would refuse
  // to read it and say so in the console.
  const manifest = document.createElement('link');
  manifest.rel = 'manifest';
  manifest.href = 'velnar.webmanifest';
  document.head.appendChild(manifest);

  if (!('serviceWorker' in navigator)) return;
  function register() {
    navigator.serviceWorker.register('sw.js').catch((e) => {
      console.warn('Velnar will not work offline:', e);
    });
  }
  // Once the page is in, so that the worker's downloads do not slow its start.
  if (document.readyState === 'complete') register();
  else window.addEventListener('load', register, { once: true });
})();
