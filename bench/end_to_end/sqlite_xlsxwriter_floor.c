/* The floor for a whole run: the same query read through SQLite's own C
 * API and the cells written with libxlsxwriter into a new file, with no
 * template, no ODBC and no reference adjustment. */
#include <sqlite3.h>
#include <stdio.h>
#include <xlsxwriter.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s DATABASE QUERY OUTPUT\n", argv[0]);
    return 2;
  }
  sqlite3* db = NULL;
  sqlite3_stmt* statement = NULL;
  if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK ||
      sqlite3_prepare_v2(db, argv[2], -1, &statement, NULL) != SQLITE_OK) {
    fprintf(stderr, "%s\n", sqlite3_errmsg(db));
    return 1;
  }
  lxw_workbook* workbook = workbook_new(argv[3]);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sheet1");
  lxw_format* date_format = workbook_add_format(workbook);
  format_set_num_format_index(date_format, 14);
  int columns = sqlite3_column_count(statement);
  lxw_row_t row = 1; /* from the second row, as the run does */
  while (sqlite3_step(statement) == SQLITE_ROW) {
    for (int c = 0; c < columns; ++c) {
      switch (sqlite3_column_type(statement, c)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
          worksheet_write_number(sheet, row, (lxw_col_t)c, sqlite3_column_double(statement, c), NULL);
          break;
        case SQLITE_TEXT: {
          const char* text = (const char*)sqlite3_column_text(statement, c);
          int y, m, d;
          /* the run writes declared DATE columns as dates: so does the floor */
          if (sscanf(text, "%4d-%2d-%2d", &y, &m, &d) == 3 && text[10] == '\0') {
            lxw_datetime when = {y, m, d, 0, 0, 0};
            worksheet_write_datetime(sheet, row, (lxw_col_t)c, &when, date_format);
          } else {
            worksheet_write_string(sheet, row, (lxw_col_t)c, text, NULL);
          }
          break;
        }
        default:
          break;
      }
    }
    ++row;
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return workbook_close(workbook) == LXW_NO_ERROR ? 0 : 1;
}
