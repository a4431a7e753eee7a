// A canvas shown for a while as a still image of its own pixels.
//
// Chromium, compositing in software, hands every canvas on the page to its
// compositor again with each frame that anything on the page draws, changed
// or not, at a cost that grows with the canvas's size. A canvas whose picture
// cannot change for a while (the simulation under a window, the run window's
// charts during the replay) is therefore better shown as an image: once the
// image of the same pixels is ready, `shown` takes the canvas out of sight
// (its pixels stay); `gone` brings it back when the hold is released.
'use strict';

window.VelnarStillPicture = class {
  constructor(canvas, image, { shown, gone }) {
    this.canvas = canvas;
    this.image = image;
    this.shown = shown;
    this.gone = gone;
    this.held = null;  // { url } while held, the url once the image is made
  }

  get holding() { return this.held !== null; }

  hold() {
    if (this.held) return;
    const holding = this.held = { url: null };
    this.canvas.toBlob((blob) => {
      if (this.held !== holding || !blob) return;
      holding.url = URL.createObjectURL(blob);
      this.image.src = holding.url;
      this.image.decode().then(() => {
        if (this.held !== holding) return;
        this.image.hidden = false;
        this.shown();
      }, () => {});
    });
  }

  release() {
    if (!this.held) return;
    this.gone();
    this.image.hidden = true;
    this.image.removeAttribute('src');
    if (this.held.url) URL.revokeObjectURL(this.held.url);
    this.held = null;
  }

  // The canvas changed while held: held again with its new pixels.
  again() {
    if (!this.held) return;
    this.release();
    this.hold();
  }
};
