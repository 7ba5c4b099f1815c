#include "histogram_view.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "window_class.h"

#define HISTOGRAM_CLASS "KelvoHistogram"

typedef struct Histogram {
  unsigned long bins[3][FRAME_BINS];
  int channels;
} Histogram;

static const COLORREF kCurveColours[2][3] = {
    {RGB(230, 230, 230), 0, 0}, /* grey */
    {RGB(255, 70, 70), RGB(70, 220, 70), RGB(90, 140, 255)}};

/* The tallest bin between the ends: clipped samples pile up in bins 0 and
   255 and would flatten every other bin. */
static unsigned long TallestInner(const Histogram* histogram) {
  unsigned long tallest = 1;
  int c, i;
  for (c = 0; c < histogram->channels; ++c) {
    for (i = 1; i < FRAME_BINS - 1; ++i) {
      if (histogram->bins[c][i] > tallest) tallest = histogram->bins[c][i];
    }
  }
  return tallest;
}

static void DrawCurves(HDC dc, const Histogram* histogram, const RECT* area) {
  const unsigned long tallest = TallestInner(histogram);
  const int width = area->right - area->left;
  const int height = area->bottom - area->top;
  int c, i;
  for (c = 0; c < histogram->channels; ++c) {
    HPEN pen = CreatePen(PS_SOLID, 1, kCurveColours[histogram->channels == 3][c]);
    HGDIOBJ previous = SelectObject(dc, pen);
    for (i = 0; i < FRAME_BINS; ++i) {
      unsigned long bin = histogram->bins[c][i] < tallest ? histogram->bins[c][i] : tallest;
      int x = area->left + i * (width - 1) / (FRAME_BINS - 1);
      /* A square-root scale: a large dark background leaves the rest visible. */
      int y = area->bottom - 1 - (int)(sqrt((double)bin / tallest) * (height - 1));
      if (i == 0) {
        MoveToEx(dc, x, y, NULL);
      } else {
        LineTo(dc, x, y);
      }
    }
    SelectObject(dc, previous);
    DeleteObject(pen);
  }
}

static void Paint(HWND view) {
  const Histogram* histogram = (const Histogram*)GetWindowLongPtrA(view, GWLP_USERDATA);
  PAINTSTRUCT paint;
  RECT area;
  HDC dc = BeginPaint(view, &paint);
  GetClientRect(view, &area);
  FillRect(dc, &area, (HBRUSH)GetStockObject(BLACK_BRUSH));
  InflateRect(&area, -2, -2);
  if (histogram != NULL && histogram->channels > 0) DrawCurves(dc, histogram, &area);
  EndPaint(view, &paint);
}

static LRESULT CALLBACK HistogramProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      SetWindowLongPtrA(view, GWLP_USERDATA, (LONG_PTR)calloc(1, sizeof(Histogram)));
      return 0;
    case WM_PAINT:
      Paint(view);
      return 0;
    case WM_ERASEBKGND:
      return 1; /* Paint fills it: no flicker between the two */
    case WM_DESTROY:
      free((void*)GetWindowLongPtrA(view, GWLP_USERDATA));
      SetWindowLongPtrA(view, GWLP_USERDATA, 0);
      return 0;
    default:
      return DefWindowProcA(view, message, wParam, lParam);
  }
}

HWND CreateHistogramView(HWND parent, int id, HINSTANCE instance) {
  KelvoRegisterWindowClass(HISTOGRAM_CLASS, HistogramProc, instance, NULL);
  return CreateWindowExA(0, HISTOGRAM_CLASS, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                         (HMENU)(INT_PTR)id, instance, NULL);
}

void ShowHistogram(HWND view, unsigned long bins[3][FRAME_BINS], int channels) {
  Histogram* histogram = (Histogram*)GetWindowLongPtrA(view, GWLP_USERDATA);
  if (histogram == NULL) return;
  memcpy(histogram->bins, bins, sizeof histogram->bins);
  histogram->channels = channels;
  InvalidateRect(view, NULL, FALSE);
}
