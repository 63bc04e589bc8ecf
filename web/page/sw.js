// The page's service worker: keeps every file of one build in a cache named by
// that build (tools/build-web.sh writes the build's hash below), so a second
// visit plays offline; a new build is fetched whole into its own cache and
// takes over once no page of the old one is open, never a mix of two builds.
'use strict';
const BUILD = '@BUILD@';
const CACHE = `kv2007demo-${BUILD}`;
const FILES = /* @FILES@ */ [];

self.addEventListener('install', (event) => {
  // no-cache: revalidated against the server, so the browser's HTTP cache
  // cannot slip an older build's file into this build's cache.
  event.waitUntil(caches.open(CACHE).then((cache) =>
    cache.addAll(FILES.map((file) => new Request(file, { cache: 'no-cache' })))));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('kv2007demo-') && name !== CACHE)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The page's own files from this build's cache (its address options are the
// query, which the cache ignores); anything else from the network.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || !request.url.startsWith(self.registration.scope)) return;
  event.respondWith(caches.open(CACHE)
    .then((cache) => cache.match(request, { ignoreSearch: true }))
    .then((cached) => cached || fetch(request)));
});
