#!/usr/bin/python3
"""Writes the example's report template: a title, a heading that shows the
defined name ReportMonth, a two-row data area with totals and a chart below
it, and a second sheet that the products fill column by column."""
import sys

from openpyxl import Workbook
from openpyxl.chart import BarChart, Reference
from openpyxl.styles import Alignment, Font, PatternFill
from openpyxl.workbook.defined_name import DefinedName


def build(path):
    book = Workbook()
    sales = book.active
    sales.title = "Sales"
    sales["A1"] = "Monthly sales by region"
    sales["A1"].font = Font(size=16, bold=True)
    sales.merge_cells("A1:D1")
    sales["A2"] = '="Month: "&ReportMonth'
    sales["A2"].font = Font(italic=True)
    header_fill = PatternFill("solid", fgColor="DDEBF7")
    for column, text in zip("ABCD", ("Region", "Orders", "Units", "Amount")):
        cell = sales[column + "4"]
        cell.value = text
        cell.font = Font(bold=True)
        cell.fill = header_fill
        cell.alignment = Alignment(horizontal="center")
    for row in (5, 6):
        sales["D%d" % row].number_format = "#,##0.00"
    sales["A7"] = "Total"
    sales["A7"].font = Font(bold=True)
    for column in "BCD":
        sales[column + "7"] = "=SUM(%s5:%s6)" % (column, column)
        sales[column + "7"].font = Font(bold=True)
    sales["D7"].number_format = "#,##0.00"
    for column, width in zip("ABCD", (14, 10, 10, 14)):
        sales.column_dimensions[column].width = width

    chart = BarChart()
    chart.title = "Amount by region"
    chart.add_data(Reference(sales, min_col=4, min_row=4, max_row=6), titles_from_data=True)
    chart.set_categories(Reference(sales, min_col=1, min_row=5, max_row=6))
    chart.height = 7
    chart.width = 14
    sales.add_chart(chart, "A9")

    products = book.create_sheet("Products")
    for row, text in enumerate(("Product", "Units", "Amount"), start=1):
        products.cell(row=row, column=1, value=text).font = Font(bold=True)
    products.column_dimensions["A"].width = 12

    book.defined_names.append(DefinedName("ReportMonth", attr_text='"(not run yet)"'))
    book.save(path)


if __name__ == "__main__":
    build(sys.argv[1] if len(sys.argv) > 1 else "month_template.xlsx")
