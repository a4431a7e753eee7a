// The raster present through the X server's shared-memory extension, without
// Qt's backing store: our scaling writes the window image straight into a
// segment the X server reads, and only the rectangle it drew is sent.
//
// Qt's backing store makes each frame wait for the server (a round trip
// before painting, so the client never writes what the server may still be
// reading). Here the same guarantee costs no wait: after each put a request
// with a reply follows, and the next frame, a refresh period later, finds
// that reply long arrived before it writes into the segment again.
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

#include "platform/form_window.h"
#include "platform/qt_display.h"
#include "platform/raster_scaler.h"

namespace {

// The window's pixels as the server wants them from us: 32 bits a pixel,
// 8 bits a channel in the order of Format_RGB32, least significant byte first.
bool WindowTakesRgb32(xcb_connection_t* c, xcb_window_t window, std::uint8_t& depth) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
  std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr),
      &std::free);
  std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
      xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
  if (!attributes || !geometry) return false;
  depth = geometry->depth;
  bool bits32 = false;
  for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
    if (f.data->depth == depth) bits32 = f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
  if (!bits32) return false;
  for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
    for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d))
      for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
        if (v.data->visual_id == attributes->visual)
          return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xFF0000 &&
                 v.data->green_mask == 0x00FF00 && v.data->blue_mask == 0x0000FF;
  return false;
}

class ShmPresenter final : public Presenter {
 public:
  explicit ShmPresenter(FormWindow* window) : window_(window) {}
  ~ShmPresenter() override {
    Release();
    if (gc_) xcb_free_gc(c_, gc_);
    if (c_) xcb_flush(c_);
  }

  const char* Name() const override { return "shared memory"; }

  bool Init() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return false;
    c_ = x11->connection();
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c_, &xcb_shm_id);
    if (!shm || !shm->present) return false;
    window_->EnsureSurfaceType(QSurface::RasterSurface);
    if (!window_->handle()) window_->create();
    const auto window = static_cast<xcb_window_t>(window_->winId());
    if (!WindowTakesRgb32(c_, window, depth_)) return false;
    gc_ = xcb_generate_id(c_);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(c_, gc_, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    // A segment now, so that a server that cannot attach ours (another
    // machine, another IPC namespace) is found out before the first frame.
    const QSize size = DeviceSize();
    if (!Allocate(std::max(size.width(), 1), std::max(size.height(), 1))) return false;
    window_->installEventFilter(&exposeWatch_);
    return true;
  }

  bool Present(const PresentImage& image, const PresentRect& target, int screenWidth,
               int screenHeight) override {
    if (!image.Bits) return false;
    if (!window_->isExposed()) return true;
    WaitForServer();
    const QSize size = DeviceSize();
    if (size.isEmpty()) return true;
    if (size != canvas_.size() && !Allocate(size.width(), size.height())) {
      valid_ = false;
      return false;
    }
    // The image must stay a view of the segment: a copy made of it (some
    // shallow copy detached by a write) would take our drawing away from
    // what the server reads.
    if (canvas_.constBits() != memory_) {
      canvas_ = Wrap(canvas_.width(), canvas_.height());
      exposeWatch_.exposed = true;
    }
    const QRect dest =
        DevicePixels(LetterboxedTarget(window_->size(), target, screenWidth, screenHeight),
                     window_->devicePixelRatio());
    QRect drawn = canvas_.rect();
    if (scaler_.Scale(canvas_, dest, image)) {
      drawn = scaler_.Drawn();
    } else {
      const QImage::Format format = QtImageFormatOf(image);
      if (format == QImage::Format_Invalid) return false;
      DrawWithQt(&canvas_, canvas_.rect(), dest, image, format);
    }
    if (Capture) Captured = canvas_.copy();
    // After an expose the server shows undefined pixels: all of it goes.
    if (exposeWatch_.exposed) drawn = canvas_.rect();
    exposeWatch_.exposed = false;
    if (drawn.isEmpty()) return true;
    const auto window = static_cast<xcb_window_t>(window_->winId());
    xcb_shm_put_image(
        c_, window, gc_, static_cast<std::uint16_t>(canvas_.width()),
        static_cast<std::uint16_t>(canvas_.height()), static_cast<std::uint16_t>(drawn.x()),
        static_cast<std::uint16_t>(drawn.y()), static_cast<std::uint16_t>(drawn.width()),
        static_cast<std::uint16_t>(drawn.height()), static_cast<std::int16_t>(drawn.x()),
        static_cast<std::int16_t>(drawn.y()), depth_, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment_, 0);
    // Answered only once the server has handled the put, and so read the
    // segment: the next frame checks for the answer before writing.
    sync_ = xcb_get_input_focus(c_);
    pending_ = true;
    xcb_flush(c_);
    return true;
  }

  bool Valid() const override { return valid_; }

 private:
  QSize DeviceSize() const {
    const qreal dpr = window_->devicePixelRatio();
    return QSize(static_cast<int>(std::lround(window_->width() * dpr)),
                 static_cast<int>(std::lround(window_->height() * dpr)));
  }

  void WaitForServer() {
    if (!pending_) return;
    std::free(xcb_get_input_focus_reply(c_, sync_, nullptr));
    pending_ = false;
  }

  void Release() {
    if (!c_) return;
    WaitForServer();
    canvas_ = QImage();
    if (attached_) xcb_shm_detach(c_, segment_);
    attached_ = false;
    if (memory_) shmdt(memory_);
    memory_ = nullptr;
  }

  QImage Wrap(int width, int height) const {
    return QImage(static_cast<uchar*>(memory_), width, height, width * 4, QImage::Format_RGB32);
  }

  bool Allocate(int width, int height) {
    Release();
    scaler_.Forget();
    const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return false;
    void* memory = shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
      shmctl(id, IPC_RMID, nullptr);
      return false;
    }
    memory_ = memory;
    segment_ = xcb_generate_id(c_);
    xcb_generic_error_t* error = xcb_request_check(
        c_, xcb_shm_attach_checked(c_, segment_, static_cast<std::uint32_t>(id), 0));
    // Marked for removal at once: it goes when both sides have let go of it,
    // however the program ends.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
      std::free(error);
      return false;
    }
    attached_ = true;
    canvas_ = Wrap(width, height);
    // The new window image holds nothing yet: it goes whole, bars included.
    exposeWatch_.exposed = true;
    return true;
  }

  FormWindow* window_;
  xcb_connection_t* c_ = nullptr;
  xcb_gcontext_t gc_ = 0;
  std::uint8_t depth_ = 24;
  xcb_shm_seg_t segment_ = 0;
  void* memory_ = nullptr;
  bool attached_ = false;
  bool valid_ = true;
  QImage canvas_;
  RasterScaler scaler_;
  ExposeWatch exposeWatch_;
  xcb_get_input_focus_cookie_t sync_{};
  bool pending_ = false;
};

}  // namespace

std::unique_ptr<Presenter> MakeShmPresenter(FormWindow* window) {
  auto presenter = std::make_unique<ShmPresenter>(window);
  if (!presenter->Init()) return nullptr;
  return presenter;
}
