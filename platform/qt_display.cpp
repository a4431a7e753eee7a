#include "platform/qt_display.h"

#include <QBackingStore>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/form_window.h"
#include "platform/frame_pacer.h"
#include "platform/raster_scaler.h"

namespace {

// Where the screen lands in a window of w x h device pixels: scaled by the
// largest factor that fits, centred, black bars around.
struct Letterbox {
  double scale;
  int x, y;
};

Letterbox Fit(int windowWidth, int windowHeight, int screenWidth, int screenHeight) {
  screenWidth = std::max(screenWidth, 1);
  screenHeight = std::max(screenHeight, 1);
  const double scale = std::min(static_cast<double>(windowWidth) / screenWidth,
                                static_cast<double>(windowHeight) / screenHeight);
  const int w = static_cast<int>(std::lround(screenWidth * scale));
  const int h = static_cast<int>(std::lround(screenHeight * scale));
  return Letterbox{scale, (windowWidth - w) / 2, (windowHeight - h) / 2};
}

}  // namespace

QImage::Format QtImageFormatOf(const PresentImage& image) {
  switch (image.BitCount) {
    case 16:
      return image.RedMask == 0x7C00 ? QImage::Format_RGB555 : QImage::Format_RGB16;
    case 24:
      return QImage::Format_BGR888;
    case 32:
      return QImage::Format_RGB32;
    default:
      return QImage::Format_Invalid;
  }
}

QRect LetterboxedTarget(const QSize& window, const PresentRect& target, int screenWidth,
                        int screenHeight) {
  const Letterbox box = Fit(window.width(), window.height(), screenWidth, screenHeight);
  return QRect(static_cast<int>(std::lround(box.x + target.Left * box.scale)),
               static_cast<int>(std::lround(box.y + target.Top * box.scale)),
               static_cast<int>(std::lround((target.Right - target.Left) * box.scale)),
               static_cast<int>(std::lround((target.Bottom - target.Top) * box.scale)));
}

QRect DevicePixels(const QRect& logical, qreal dpr) {
  return QRect(static_cast<int>(std::lround(logical.x() * dpr)),
               static_cast<int>(std::lround(logical.y() * dpr)),
               static_cast<int>(std::lround(logical.width() * dpr)),
               static_cast<int>(std::lround(logical.height() * dpr)));
}

void DrawWithQt(QPaintDevice* device, const QRect& area, const QRect& dest,
                const PresentImage& image, QImage::Format format) {
  QPainter p(device);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.fillRect(area, Qt::black);
  p.drawImage(QRectF(dest), QImage(image.Bits, image.Width, image.Height, image.Pitch, format));
}

bool ExposeWatch::eventFilter(QObject*, QEvent* e) {
  if (e->type() == QEvent::Expose) exposed = true;
  return false;
}

namespace {

// ---- OpenGL ------------------------------------------------------------------

#ifndef GL_BGR
#define GL_BGR 0x80E0
#endif
#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#ifndef GL_UNSIGNED_BYTE_3_3_2
#define GL_UNSIGNED_BYTE_3_3_2 0x8032
#endif
#ifndef GL_UNSIGNED_SHORT_1_5_5_5_REV
#define GL_UNSIGNED_SHORT_1_5_5_5_REV 0x8366
#endif

struct GlPixelType {
  GLenum internal, format, type;
  int bytes;
};

bool GlTypeOf(const PresentImage& image, GlPixelType& t) {
  switch (image.BitCount) {
    case 8:
      t = {GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE_3_3_2, 1};
      return true;
    case 16:
      if (image.RedMask == 0x7C00)
        t = {GL_RGB5, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2};
      else
        t = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2};
      return true;
    case 24:
      t = {GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, 3};
      return true;
    case 32:
      t = {GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE, 4};
      return true;
    default:
      return false;
  }
}

// Sharp bilinear, as the raster scaler does it (platform/raster_scaler.cpp):
// a window pixel takes the texels under it in proportion to the area it
// covers of them. The texture's linear filter mixes two texels by where
// between their centres it samples, so the sample moves to the centre of the
// texel under the window pixel's centre while the pixel lies wholly inside
// that texel, and across the boundary as far as the pixel reaches over it.
constexpr char kSharpVertex[] = R"(
attribute vec2 corner;
uniform vec2 picture;
varying vec2 texel;
void main() {
  texel = corner * picture;
  gl_Position = vec4(corner.x * 2.0 - 1.0, 1.0 - corner.y * 2.0, 0.0, 1.0);
}
)";
constexpr char kSharpFragment[] = R"(
uniform sampler2D image;
uniform vec2 picture;
uniform vec2 scale;
varying vec2 texel;
void main() {
  vec2 cell = floor(texel);
  vec2 offset = texel - cell - 0.5;
  vec2 inside = 0.5 - 0.5 / scale;
  vec2 f = (offset - clamp(offset, -inside, inside)) * scale + 0.5;
  gl_FragColor = texture2D(image, (cell + f) / picture);
}
)";

// Uploads the back buffer into a texture as it is (no colour conversion) and
// copies it to the window with a nearest-pixel framebuffer blit at whole
// factors, else draws it through the sharp bilinear shader.
class GlPresenter final : public Presenter {
 public:
  explicit GlPresenter(FormWindow* window) : window_(window) {}
  ~GlPresenter() override {
    if (context_ && context_->makeCurrent(window_)) {
      auto* f = context_->extraFunctions();
      if (fbo_) f->glDeleteFramebuffers(1, &fbo_);
      if (texture_) f->glDeleteTextures(1, &texture_);
      if (program_) f->glDeleteProgram(program_);
      if (corners_) f->glDeleteBuffers(1, &corners_);
      context_->doneCurrent();
    }
  }

  const char* Name() const override { return "OpenGL"; }

  bool Init() {
    window_->EnsureSurfaceType(QSurface::OpenGLSurface);
    QSurfaceFormat format = window_->requestedFormat();
    format.setSwapInterval(1);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    if (!window_->handle()) window_->setFormat(format);
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(format);
    if (!context_->create()) return false;
    if (!window_->handle()) window_->create();
    if (!context_->makeCurrent(window_)) return false;
    const QSurfaceFormat got = context_->format();
    const bool blit = got.majorVersion() >= 3 ||
                      context_->hasExtension("GL_ARB_framebuffer_object") ||
                      context_->hasExtension("GL_EXT_framebuffer_blit");
    if (!blit) return false;
    auto* f = context_->extraFunctions();
    const auto* renderer = reinterpret_cast<const char*>(f->glGetString(GL_RENDERER));
    const std::string name = renderer ? renderer : "";
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
      if (name.find(software) != std::string::npos) software_ = true;
    f->glGenTextures(1, &texture_);
    f->glGenFramebuffers(1, &fbo_);
    // Without the shader (a core profile, a driver that refuses it) every
    // factor takes the nearest-pixel blit.
    if (got.profile() != QSurfaceFormat::CoreProfile) MakeSharpProgram();
    return texture_ != 0 && fbo_ != 0;
  }

  bool Valid() const override { return context_ && context_->isValid(); }
  bool SoftwareRendered() const override { return software_; }
  std::int64_t SwapNs() const override { return swapAverage_; }

  bool Present(const PresentImage& image, const PresentRect& target, int screenWidth,
               int screenHeight) override {
    GlPixelType type;
    if (!GlTypeOf(image, type) || !image.Bits) return false;
    if (!window_->isExposed()) return true;  // nothing visible to draw on
    if (!context_->makeCurrent(window_)) return false;
    auto* f = context_->extraFunctions();

    f->glBindTexture(GL_TEXTURE_2D, texture_);
    if (image.Pitch % type.bytes == 0) {
      f->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
      f->glPixelStorei(GL_UNPACK_ROW_LENGTH, image.Pitch / type.bytes);
    } else {
      f->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
      f->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    }
    if (image.Width != textureWidth_ || image.Height != textureHeight_ ||
        type.internal != textureFormat_) {
      f->glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(type.internal), image.Width,
                      image.Height, 0, type.format, type.type, image.Bits);
      // The blit filters as it is told; the filter here is the shader's.
      f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
      f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
      f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
      f->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
      f->glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_,
                                0);
      textureWidth_ = image.Width;
      textureHeight_ = image.Height;
      textureFormat_ = type.internal;
    } else {
      f->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, image.Width, image.Height, type.format, type.type,
                         image.Bits);
    }
    f->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);

    // Device pixels: on a HiDPI screen the window has more of them than its size says.
    const qreal ratio = window_->devicePixelRatio();
    const int w = static_cast<int>(std::lround(window_->width() * ratio));
    const int h = static_cast<int>(std::lround(window_->height() * ratio));
    const Letterbox box = Fit(w, h, screenWidth, screenHeight);
    auto at = [&](int v, int origin) {
      return origin + static_cast<int>(std::lround(v * box.scale));
    };
    const int left = at(target.Left, box.x), right = at(target.Right, box.x);
    const int top = at(target.Top, box.y), bottom = at(target.Bottom, box.y);

    f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, context_->defaultFramebufferObject());
    f->glViewport(0, 0, w, h);
    f->glDisable(GL_SCISSOR_TEST);
    f->glClearColor(0, 0, 0, 1);
    f->glClear(GL_COLOR_BUFFER_BIT);
    const int width = right - left, height = bottom - top;
    // Whole factors, and shrinking, stay the nearest pixel's.
    const bool whole = (width % image.Width == 0 || width < image.Width) &&
                       (height % image.Height == 0 || height < image.Height);
    if (whole || !program_) {
      f->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
      // Row 0 of the image is its top: the blit turns it upside down into
      // GL's bottom-up window coordinates.
      f->glBlitFramebuffer(0, 0, image.Width, image.Height, left, h - top, right, h - bottom,
                           GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
      f->glViewport(left, h - bottom, width, height);
      f->glUseProgram(program_);
      f->glUniform2f(pictureAt_, static_cast<GLfloat>(image.Width),
                     static_cast<GLfloat>(image.Height));
      f->glUniform2f(scaleAt_, static_cast<GLfloat>(width) / static_cast<GLfloat>(image.Width),
                     static_cast<GLfloat>(height) / static_cast<GLfloat>(image.Height));
      f->glUniform1i(imageAt_, 0);
      f->glActiveTexture(GL_TEXTURE0);
      f->glBindTexture(GL_TEXTURE_2D, texture_);
      f->glBindBuffer(GL_ARRAY_BUFFER, corners_);
      f->glEnableVertexAttribArray(static_cast<GLuint>(cornerAt_));
      f->glVertexAttribPointer(static_cast<GLuint>(cornerAt_), 2, GL_FLOAT, GL_FALSE, 0, nullptr);
      f->glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
      f->glDisableVertexAttribArray(static_cast<GLuint>(cornerAt_));
      f->glBindBuffer(GL_ARRAY_BUFFER, 0);
      f->glUseProgram(0);
      f->glViewport(0, 0, w, h);
    }

    if (Capture) {
      f->glBindFramebuffer(GL_READ_FRAMEBUFFER, context_->defaultFramebufferObject());
      QImage shot(w, h, QImage::Format_RGBA8888);
      f->glPixelStorei(GL_PACK_ALIGNMENT, 4);
      f->glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, shot.bits());
      Captured = shot.mirrored();
    }

    const std::int64_t before = FramePacer::NowNs();
    context_->swapBuffers(window_);
    const std::int64_t took = FramePacer::NowNs() - before;
    swapAverage_ = swapAverage_ == 0 ? took : (swapAverage_ * 7 + took) / 8;
    return true;
  }

 private:
  GLuint Compile(GLenum type, const char* body) {
    auto* f = context_->extraFunctions();
    const std::string source =
        std::string(context_->isOpenGLES()
                        ? "#version 100\n#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp "
                          "float;\n#else\nprecision mediump float;\n#endif\n"
                        : "#version 110\n") +
        body;
    const GLuint shader = f->glCreateShader(type);
    const char* text = source.c_str();
    f->glShaderSource(shader, 1, &text, nullptr);
    f->glCompileShader(shader);
    GLint ok = 0;
    f->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
      f->glDeleteShader(shader);
      return 0;
    }
    return shader;
  }

  void MakeSharpProgram() {
    auto* f = context_->extraFunctions();
    const GLuint vertex = Compile(GL_VERTEX_SHADER, kSharpVertex);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, kSharpFragment);
    if (vertex && fragment) {
      program_ = f->glCreateProgram();
      f->glAttachShader(program_, vertex);
      f->glAttachShader(program_, fragment);
      f->glLinkProgram(program_);
      GLint ok = 0;
      f->glGetProgramiv(program_, GL_LINK_STATUS, &ok);
      if (!ok) {
        f->glDeleteProgram(program_);
        program_ = 0;
      }
    }
    if (vertex) f->glDeleteShader(vertex);
    if (fragment) f->glDeleteShader(fragment);
    if (!program_) return;
    cornerAt_ = f->glGetAttribLocation(program_, "corner");
    pictureAt_ = f->glGetUniformLocation(program_, "picture");
    scaleAt_ = f->glGetUniformLocation(program_, "scale");
    imageAt_ = f->glGetUniformLocation(program_, "image");
    // Top left, bottom left, top right, bottom right, as a triangle strip.
    const GLfloat corners[] = {0, 0, 0, 1, 1, 0, 1, 1};
    f->glGenBuffers(1, &corners_);
    f->glBindBuffer(GL_ARRAY_BUFFER, corners_);
    f->glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (cornerAt_ < 0) {
      f->glDeleteProgram(program_);
      program_ = 0;
    }
  }

  FormWindow* window_;
  std::unique_ptr<QOpenGLContext> context_;
  GLuint texture_ = 0;
  GLuint fbo_ = 0;
  GLuint program_ = 0;
  GLuint corners_ = 0;
  GLint cornerAt_ = -1, pictureAt_ = -1, scaleAt_ = -1, imageAt_ = -1;
  bool software_ = false;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  GLenum textureFormat_ = 0;
  std::int64_t swapAverage_ = 0;
};

// ---- raster ------------------------------------------------------------------

class RasterPresenter final : public Presenter {
 public:
  explicit RasterPresenter(FormWindow* window) : window_(window) {
    window_->EnsureSurfaceType(QSurface::RasterSurface);
    store_ = std::make_unique<QBackingStore>(window_);
    // A filter removes itself from the window when destroyed.
    window_->installEventFilter(&exposeWatch_);
  }
  const char* Name() const override { return "raster"; }

  bool Present(const PresentImage& image, const PresentRect& target, int screenWidth,
               int screenHeight) override {
    const QImage::Format format = QtImageFormatOf(image);
    if (format == QImage::Format_Invalid || !image.Bits) return false;
    if (!window_->isExposed()) return true;
    const QSize size = window_->size();
    if (store_->size() != size) store_->resize(size);
    const QRect area(QPoint(0, 0), size);
    store_->beginPaint(area);
    const QRect dest = LetterboxedTarget(size, target, screenWidth, screenHeight);
    QPaintDevice* paintDevice = store_->paintDevice();
    auto* canvas =
        paintDevice->devType() == QInternal::Image ? static_cast<QImage*>(paintDevice) : nullptr;
    // Only what our scaling wrote goes to the window (nothing, with the car
    // parked): the X server copies no more than changed, and a frame where
    // nothing changed costs no round trip. After an expose, or when drawn
    // by other means, the whole window goes.
    QRegion changed = area;
    if (canvas && ScaleInto(*canvas, dest, image)) {
      changed = DeviceToLogical(scaler_.Drawn(), canvas->devicePixelRatio());
    } else {
      DrawWithQt(paintDevice, area, dest, image, format);
    }
    QPaintDevice* device = store_->paintDevice();
    if (Capture && device->devType() == QInternal::Image)
      Captured = static_cast<QImage*>(device)->copy();
    store_->endPaint();
    if (exposeWatch_.exposed) changed = area;
    exposeWatch_.exposed = false;
    if (!changed.isEmpty()) store_->flush(changed);
    return true;
  }

 private:
  // The window's image is in device pixels, the layout in logical ones.
  bool ScaleInto(QImage& canvas, const QRect& logical, const PresentImage& image) {
    return scaler_.Scale(canvas, DevicePixels(logical, canvas.devicePixelRatio()), image);
  }

  // A rectangle of device pixels as the logical one that covers it.
  static QRect DeviceToLogical(const QRect& r, qreal dpr) {
    if (r.isEmpty() || dpr == 1) return r;
    const int left = static_cast<int>(std::floor(r.left() / dpr));
    const int top = static_cast<int>(std::floor(r.top() / dpr));
    const int right = static_cast<int>(std::ceil((r.right() + 1) / dpr));
    const int bottom = static_cast<int>(std::ceil((r.bottom() + 1) / dpr));
    return QRect(left, top, right - left, bottom - top);
  }

  FormWindow* window_;
  std::unique_ptr<QBackingStore> store_;
  RasterScaler scaler_;
  ExposeWatch exposeWatch_;
};

}  // namespace

std::unique_ptr<Presenter> MakeGlPresenter(FormWindow* window) {
  auto presenter = std::make_unique<GlPresenter>(window);
  if (!presenter->Init()) return nullptr;
  return presenter;
}

std::unique_ptr<Presenter> MakeRasterPresenter(FormWindow* window) {
  return std::make_unique<RasterPresenter>(window);
}

// ---- the device ----------------------------------------------------------------

struct QtDisplayDevice::Pacing {
  FramePacer pacer;
};

QtDisplayDevice::QtDisplayDevice() : pacing_(std::make_unique<Pacing>()) {}

QtDisplayDevice::~QtDisplayDevice() = default;

namespace {
QScreen* ScreenOf(TForm* form) {
  if (form && form->Window() && form->Window()->screen()) return form->Window()->screen();
  return QGuiApplication::primaryScreen();
}
}  // namespace

std::vector<DisplayMode> QtDisplayDevice::EnumDisplayModes() {
  QScreen* screen = ScreenOf(form_);
  if (!screen) return StandardDisplayModes(640, 480);
  const QSize size = screen->size() * screen->devicePixelRatio();
  return StandardDisplayModes(size.width(), size.height());
}

bool QtDisplayDevice::SetCooperativeLevel(FormHost* host, bool fullScreen) {
  auto* form = dynamic_cast<TForm*>(host);
  if (!form || !form->Window()) return false;
  form_ = form;
  form->SetFullScreen(fullScreen);
  if (QScreen* screen = ScreenOf(form_)) pacing_->pacer.SetRate(screen->refreshRate());
  return true;
}

bool QtDisplayDevice::SetDisplayMode(const DisplayMode& mode) {
  const std::vector<DisplayMode> modes = EnumDisplayModes();
  if (std::find(modes.begin(), modes.end(), mode) == modes.end()) return false;
  mode_ = mode;
  return true;
}

DisplayMode QtDisplayDevice::Screen() const {
  if (mode_.Width > 0) return mode_;
  QScreen* screen = ScreenOf(form_);
  const int depth = screen ? screen->depth() : 32;
  if (form_) return DisplayMode{form_->ClientWidth(), form_->ClientHeight(), depth};
  if (screen) return DisplayMode{screen->size().width(), screen->size().height(), depth};
  return DisplayMode{640, 480, 32};
}

bool QtDisplayDevice::CreatePrimary() {
  if (!form_) return false;
  if (presenter_ && presenter_->Valid()) return true;
  // OpenGL when a graphics card draws it; without one (a software rasteriser,
  // or no OpenGL at all) our own scaling into the window costs less, sent
  // through memory shared with the X server where it can be, else through
  // Qt's backing store. VELNAR_PRESENTER=opengl, =shm or =raster overrides
  // the choice.
  const char* choice = std::getenv("VELNAR_PRESENTER");
  const std::string wanted = choice ? choice : "";
  if (wanted != "raster" && wanted != "shm") {
    presenter_ = MakeGlPresenter(form_->Window());
    if (presenter_ && presenter_->SoftwareRendered() && wanted != "opengl") presenter_.reset();
  }
  if (!presenter_ && wanted != "raster") presenter_ = MakeShmPresenter(form_->Window());
  if (!presenter_) presenter_ = MakeRasterPresenter(form_->Window());
  return presenter_ != nullptr;
}

bool QtDisplayDevice::Present(const PresentImage& image, const PresentRect& target) {
  if (!presenter_ || !presenter_->Valid()) return false;
  const DisplayMode screen = Screen();
  return presenter_->Present(image, target, screen.Width, screen.Height);
}

void QtDisplayDevice::WaitForVerticalBlank() {
  // Where the swap itself waits for the vertical blank, a sleep on top would
  // only lose frames.
  if (presenter_ && presenter_->SwapNs() * 4 > pacing_->pacer.PeriodNs() * 3) return;
  pacing_->pacer.Wait();
}

bool QtDisplayDevice::Lost() const {
  return presenter_ && !presenter_->Valid();
}

bool QtDisplayDevice::Restore() {
  if (!Lost()) return true;
  presenter_.reset();
  return CreatePrimary();
}

std::unique_ptr<DisplayDevice> QtDisplayDeviceFactory::Create() {
  return std::make_unique<QtDisplayDevice>();
}
