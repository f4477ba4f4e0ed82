// Linked after emscripten's factory (--extern-post-js), so that it runs as
// soon as the browser reaches the core's script: the WebAssembly, which
// build_page.mjs puts gzip'd and in base64 into #korvane-core-wasm just
// before it, is decompressed and compiled as one stream from here on, while
// the page's own scripts are parsed; the factory takes the compiled module
// through instantiateWasm and fetches nothing. (Through a Blob's stream or
// a whole ArrayBuffer, or started by the factory's call at the end of
// app.js, the first report came 20 to 50 ms later.)
createKorvaneCore = ((factory, compiled) => (options) => factory({
  ...options,
  instantiateWasm(imports, receiveInstance) {
    compiled.then((module) => WebAssembly.instantiate(module, imports).then((instance) => receiveInstance(instance, module)));
    return {};
  },
}))(createKorvaneCore, (() => {
  const text = document.getElementById('korvane-core-wasm').textContent;
  const bytes = Uint8Array.fromBase64?.(text) ?? Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  const wasm = new Response(bytes).body.pipeThrough(new DecompressionStream('gzip'));
  return WebAssembly.compileStreaming(new Response(wasm, { headers: { 'Content-Type': 'application/wasm' } }));
})());
