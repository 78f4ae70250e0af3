// A document listener that writes every notification it gets into a shared log.
#pragma once
#include <string>
#include <vector>

#include "kit/editor/edit_document.h"

namespace zv::test {

class RecordingListener : public TKitDocumentListener {
 public:
  RecordingListener(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
  void BeforeRefresh() override { Add("BeforeRefresh"); }
  void AfterRefresh() override { Add("AfterRefresh"); }
  void BeforeSettingsRefresh() override { Add("BeforeSettingsRefresh"); }
  void AfterSettingsRefresh() override { Add("AfterSettingsRefresh"); }
  void BeforeMarkChange() override { Add("BeforeMarkChange"); }
  void MarksDeleting(const IKitMarkersPtr&, const TKitMarkArray& marks) override {
    Add("MarksDeleting " + std::to_string(marks.size()));
  }
  void MarkCreated(const IKitMarkersPtr&, const IKitMarkPtr&) override { Add("MarkCreated"); }
  void MarkSettingsChanged(const IKitMarkersPtr&, const IKitMarkPtr&) override { Add("MarkSettingsChanged"); }
  void AfterMarkChange() override { Add("AfterMarkChange"); }
  void BeforeInsert(int s, int n) override { Add(Args("BeforeInsert", s, n)); }
  void AfterInsert(int s, int n) override { Add(Args("AfterInsert", s, n)); }
  void BeforeDelete(int s, int n) override { Add(Args("BeforeDelete", s, n)); }
  void AfterDelete(int s, int n) override { Add(Args("AfterDelete", s, n)); }
  void BeforeCompoundEdit(bool) override { Add("BeforeCompoundEdit"); }
  void AfterCompoundEdit(bool) override { Add("AfterCompoundEdit"); }
  void DoUserEventAfterDocChange() override { Add("User"); }
  void DocumentDestroing() override { Add("DocumentDestroing"); }

 private:
  static std::string Args(const char* what, int s, int n) {
    return std::string(what) + "(" + std::to_string(s) + "," + std::to_string(n) + ")";
  }
  void Add(const std::string& what) { log_.push_back(name_ + ":" + what); }
  std::vector<std::string>& log_;
  std::string name_;
};

}  // namespace zv::test
