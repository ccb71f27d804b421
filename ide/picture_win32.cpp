// The picture of the desktop as a file in the Windows build: the desktop's
// drawing through the GDI painter into a DIB section, written as PNG by the
// system's imaging component (WIC). SVG is a POSIX-only format.

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "host/rtl/syserror.h"
#include "host/rtl/sysutils.h"
#include "host/vcl/menus.h"
#include "host/win32/system_windows.h"
#include "host/win32/win32.h"
#include "ide/desktop_drawing.h"
#include "ide/painter_gdi.h"
#include "ide/picture.h"

// After the host's headers (see host/rtl/winapi.h).
#include "host/rtl/winapi.h"

#include <objbase.h>
#include <wincodec.h>

namespace ide {
namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

[[noreturn]] void WriteFailed(const std::string& file, HRESULT result) {
  throw std::runtime_error("cannot write " + file + ": " +
                           host::WindowsErrorMessage(static_cast<uint32_t>(result)));
}

void Check(const std::string& file, HRESULT result) {
  if (FAILED(result)) WriteFailed(file, result);
}

// A COM interface released on every path.
template <typename T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_ != nullptr) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** out() { return &p_; }

 private:
  T* p_ = nullptr;
};

// COM on this thread for a scope; a thread that has it already keeps it.
class ComScope {
 public:
  explicit ComScope(const std::string& file) {
    const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (result == RPC_E_CHANGED_MODE) return;  // COM is there, in the other model
    Check(file, result);
    initialized_ = true;
  }
  ~ComScope() {
    if (initialized_) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialized_ = false;
};

// A memory device context with a 32-bit DIB section of the screen's size
// selected into it.
class Canvas {
 public:
  Canvas(int32_t width, int32_t height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc_ != nullptr && bitmap_ != nullptr) old_ = ::SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    if (old_ != nullptr) ::SelectObject(dc_, old_);
    if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
    if (dc_ != nullptr) ::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  bool Ready() const { return old_ != nullptr; }
  HDC Dc() const { return dc_; }
  HBITMAP Bitmap() const { return bitmap_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

std::wstring Wide(const std::string& text) {
  const int length =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
  if (length > 0)
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          length);
  return wide;
}

// The bitmap as a PNG file of 24-bit colour.
void WritePng(const std::string& file, HBITMAP bitmap, int32_t width, int32_t height) {
  ComScope com(file);
  Com<IWICImagingFactory> factory;
  Check(file, ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out())));
  Com<IWICBitmap> source;
  Check(file,
        factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, source.out()));
  Com<IWICStream> stream;
  Check(file, factory->CreateStream(stream.out()));
  Check(file, stream->InitializeFromFilename(Wide(file).c_str(), GENERIC_WRITE));
  Com<IWICBitmapEncoder> encoder;
  Check(file, factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out()));
  Check(file, encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
  Com<IWICBitmapFrameEncode> frame;
  Check(file, encoder->CreateNewFrame(frame.out(), nullptr));
  Check(file, frame->Initialize(nullptr));
  Check(file, frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)));
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  Check(file, frame->SetPixelFormat(&format));
  Check(file, frame->WriteSource(source.get(), nullptr));
  Check(file, frame->Commit());
  Check(file, encoder->Commit());
}

}  // namespace

void PaintSystemWindows() {
  host::SetWindowPainter([](host::WindowClient& client, void* dc, host::TPoint clientOrigin) {
    if (auto* form = dynamic_cast<host::TForm*>(&client)) {
      GdiPainter p(static_cast<HDC>(dc));
      DrawFormClient(p, *form, clientOrigin);
    }
  });
}

double PictureTextWidth(const std::string& text, bool bold) {
  Canvas canvas(1, 1);
  GdiPainter p(canvas.Dc());
  p.SelectFont(bold, kFontSize);
  return p.TextWidth(host::StripHotkey(text));
}

void DrawDesktopFile(const std::string& file) {
  const std::string name = host::LowerCase(file);
  if (EndsWith(name, ".svg"))
    throw std::runtime_error("cannot draw " + file +
                             ": SVG is a POSIX-only format; this build writes .png pictures");
  if (!EndsWith(name, ".png"))
    throw std::runtime_error("cannot draw " + file + ": use a .svg or .png file name");
  host::WindowSystem& ws = host::WindowSystem::Instance();
  const host::ScreenDescription& screen = ws.Screen();
  const int32_t width = std::max(screen.Width, 1);
  const int32_t height = std::max(screen.Height, 1);
  Canvas canvas(width, height);
  if (!canvas.Ready()) WriteFailed(file, HRESULT_FROM_WIN32(::GetLastError()));
  if (std::string(ws.Name()) == "system") {
    // The system's windows: what the screen shows, once every window has drawn
    // what it had to draw.
    ws.ProcessEvents();
    HDC screen_dc = ::GetDC(nullptr);
    const BOOL copied =
        ::BitBlt(canvas.Dc(), 0, 0, width, height, screen_dc, 0, 0, SRCCOPY | CAPTUREBLT);
    ::ReleaseDC(nullptr, screen_dc);
    if (!copied) WriteFailed(file, HRESULT_FROM_WIN32(::GetLastError()));
  } else {
    GdiPainter p(canvas.Dc());
    DrawDesktop(p);
  }
  ::GdiFlush();
  WritePng(file, canvas.Bitmap(), width, height);
}

}  // namespace ide
