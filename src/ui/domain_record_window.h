// The domain and record window: lists the account's domains and a chosen
// domain's records, and stores the enabled A record the update cycle keeps.
#pragma once

#include <vector>

#include "platform/toolkit.h"

class JsonDocument;

class DomainRecordWindow {
  public:
    // Builds the window with both lists empty.
    DomainRecordWindow();

    Window& window() { return window_; }
    Button& get_domains_button() { return get_domains_button_; }
    Button& get_records_button() { return get_records_button_; }
    Button& confirm_button() { return confirm_button_; }
    ListBox& domain_list() { return domain_list_; }
    ListView& record_list() { return record_list_; }
    Label& notice() { return notice_; }

    void on_get_domains();
    void on_get_records();
    void on_confirm();

    // Replace the lists' contents with the elements of a listing.
    void show_domains(const JsonDocument& domains);
    void show_records(const JsonDocument& records);

  private:
    Window window_;
    Button get_domains_button_;
    Button get_records_button_;
    Button confirm_button_;
    ListBox domain_list_;
    ListView record_list_;
    Label notice_;
    std::vector<bool> locked_rows_;  // Locked of each row shown
    Text records_domain_;            // the domain the rows shown belong to
};
